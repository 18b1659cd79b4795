// The byte layouts of the setup data and of the uninstall log.
//
// This header holds no code; it explains the formats that the other headers
// of this folder read and write, for a reader who has never seen them.
//
// ---------------------------------------------------------------------------
// General rules
// ---------------------------------------------------------------------------
// * All integers are unsigned and little-endian.
// * Strings are single-byte ANSI text (code page 1252) in fixed-width
//   fields, ended by a zero byte. Bytes after the terminator carry no
//   meaning. A field without any zero byte ends at its width.
// * Every checksum is Adler-32 as zlib computes it (RFC 1950), starting
//   from 1.
// * Every compressed piece is one complete zlib stream (RFC 1950) that is
//   expanded with one call of zlib's uncompress(). Bytes marked "not read"
//   are written as zeros. (A writer may make a large stream from parts
//   compressed apart, see PieceCompression.h; it stays one stream.)
//
// ---------------------------------------------------------------------------
// Files on the medium
// ---------------------------------------------------------------------------
//   setup.exe    the setup program
//   _setup.spd   the packed uninstaller program
//   user.spd     volume 0: the SetupHeader and the start of the setup data
//   user.001 ... further volumes, each an 88-byte VolumeHeader followed by
//                the next stretch of the setup data. Names are "user." and
//                the volume number with at least three digits (user.999,
//                then user.1000).
// On a medium laid out in disk folders, "Disk 1" holds setup.exe,
// _setup.spd and user.spd, and "Disk n+1" holds user.00n. The split points
// between volumes are arbitrary: a block may run on into the next volume.
//
// The joined setup data is user.spd unchanged, followed by every further
// volume without its first 88 bytes, in volume order. Every offset below
// counts in the joined data.
//
// ---------------------------------------------------------------------------
// Joined setup data
// ---------------------------------------------------------------------------
//   0              SetupHeader (192 bytes)
//   192            folder table: BlockHeader + compressed folder records
//   catalogOffset  catalog header: a BlockHeader whose checksum covers every
//                  byte from catalogOffset + 16 to the end of the data; its
//                  sizes are written as the length of that run and not read
//   catalogOffset+16  for each file, in installation order and without gaps:
//                  BlockHeader + compressed CatalogEntry (520 bytes expanded),
//                  BlockHeader + compressed file content
// Nothing lies between the folder table and catalogOffset in data this
// codec writes (a reader must not assume that).
//
// SetupHeader, 192 bytes:
//   0   4  magic            "SETU" (0x55544553)
//   4   1  version          16
//   5   7  -                not read
//   12  2  volumeCount      0 or 1: user.spd alone; V > 1: user.spd and
//                           user.001 .. user.(V-1)
//   14  2  -                padding
//   16  4  dataChecksum     Adler-32 of the joined data from offset 192 on
//   20  4  dataLength       length of the joined data, header included
//   24  8  -                not read
//   32  4  nonZeroMark      must not be 0 (written as 1)
//   36  2  folderCount      number of folder records; 0 allowed
//   38  2  -                padding
//   40  4  catalogOffset    offset of the catalog header; never 0
//   44  2  fileCount        number of files; never 0
//   46  64 displayName      name of the screensaver (at most 63 characters)
//   110 2  -                padding
//   112 16 setupId          GUID of this setup build (Windows GUID layout)
//   128 64 defaultSubfolder folder proposed below Program Files; may be empty
//
// VolumeHeader, 88 bytes, at the start of user.001, user.002, ...:
//   0   4  magic            "SETU"
//   4   1  version          16
//   5   1  -                padding
//   6   2  volumeNumber     1 for user.001, 2 for user.002, ...
//   8   64 displayName      same bytes as in the SetupHeader
//   72  16 setupId          same GUID as in the SetupHeader
//
// BlockHeader, 16 bytes, ahead of every block:
//   0   1  tag              'B' (0x42), not checked by readers
//   1   3  -                padding
//   4   4  checksum         Adler-32 of the expanded bytes
//   8   4  storedSize       number of compressed bytes after the header
//   12  4  expandedSize     number of bytes after expansion
//
// Folder table. The block at offset 192 expands to folderCount records of
// 274 bytes. When its checksum, storedSize or expandedSize is 0 there is no
// table at all (written so when there are no folders). Each record is a
// BlockHeader describing an uncompressed body (storedSize = expandedSize =
// 258, checksum = Adler-32 of the body) followed by the 258-byte FolderEntry:
//   0   1  tag              'D' (0x44), not checked
//   1   1  folderKind       FolderKind, 1..5
//   2   256 path            relative to the base folder; one leading and one
//                           trailing backslash are ignored
// Folders are created in the order of their paths (byte comparison), so a
// parent comes before its subfolders whatever the stored order.
//
// CatalogEntry, 520 bytes expanded:
//   0   1  tag              'F' (0x46), not checked
//   1   1  flags            CatalogFlags: 0x01 Shared, 0x02 Required,
//                           0x04 Screensaver, 0x08 Config; other bits ignored
//   2   1  folderKind       FolderKind of the base folder
//   3   256 subfolder       below the base folder; empty: the base folder
//   259 256 fileName        name of the installed file
//   515 5  -                not read
// Target path: base\subfolder\fileName, or base\fileName.
//
// FolderKind: 1 Windows folder, 2 system folder, 3 Program Files,
// 4 common files folder, 5 destination folder chosen by the user.
//
// ---------------------------------------------------------------------------
// _setup.spd (the packed uninstaller)
// ---------------------------------------------------------------------------
//   0   4  magic            0x12343210 (bytes 10 32 34 12)
//   4   4  checksum         Adler-32 of the program
//   8   4  expandedSize     size of the program; never 0
//   12  .. one zlib stream holding the program, to the end of the file
//
// ---------------------------------------------------------------------------
// Unscr.log (the uninstall log)
// ---------------------------------------------------------------------------
// The file is a 108-byte header followed by one zlib stream made by zlib's
// compress() at the default level. The stream expands to the body. Offsets
// in the header count in an "image" whose first 108 bytes are a header area
// and whose body follows, so the first section starts at offset 108.
//
// UninstallLogHeader, 108 bytes:
//   0   4  magic            "trne" (0x656E7274)
//   4   64 displayName      display name of the screensaver
//   68  4  fileLength       compressed length + 108 = length of the file
//   72  4  expandedLength   image length + 108 = body length + 216
//   76  4  bodyChecksum     Adler-32 of the body
//   80  2  version          16
//   82  2  reserved         0
//   84  4  filesSize        number of file records * 261
//   88  4  filesOffset      108
//   92  4  foldersSize      number of folder records * 256
//   96  4  foldersOffset    108 + filesSize
//   100 4  registrySize     number of registry records * 524
//   104 4  registryOffset   foldersOffset + foldersSize
//
// Body sections, in this order and without gaps:
//   LogFileRecord, 261 bytes: path (260, zero-terminated), kind (1):
//       0 = a file the installation wrote (the log itself is the last of
//       them), 1 = a shared file that existed and was kept. Kind 0 records
//       come first.
//   LogFolderRecord, 256 bytes: path of a folder the installation created.
//   RegistryEntryRecord, 524 bytes:
//       0   4  hive         0x80000002 (HKEY_LOCAL_MACHINE)
//       4   260 key         subkey below the hive
//       264 260 valueName   empty: the whole key; else one value of it
//
// A reader takes the header, expands the fileLength - 108 bytes after it,
// checks magic, version and the body's Adler-32, and walks each section by
// its offset and size.
#pragma once
