; make bench: the NSIS installer of the benchmark payload, the peer that
; setup.exe is measured against. scripts/bench.sh packs it with
;   makensis -DPAYLOAD=FOLDER -DOUTFILE=FILE Kalvorin.nsi
; and installs it with /S (silent) under Wine.
Unicode true
Target amd64-unicode
SetCompressor zlib
RequestExecutionLevel admin

Name "Kalvorin"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kalvorin"

Page directory
Page instfiles

Section "Kalvorin"
  SetOutPath $INSTDIR
  File /r "${PAYLOAD}/*"
SectionEnd
