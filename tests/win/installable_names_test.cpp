// The setup program's path rules over the shared table of names
// (tests/data/installable-names.txt): they must give the verdict the packer
// gives, which the host tests check over the same table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "common/InstallableNameTable.h"
#include "setupdata/PathRules.h"

using namespace kalvorin;
using namespace kalvorin::setup;

TEST(InstallableNames, PathRulesJudgeTheSharedTableLikeThePacker) {
    const char* hostPath = std::getenv("KALVORIN_NAME_TABLE");
    ASSERT_NE(hostPath, nullptr) << "KALVORIN_NAME_TABLE is not set";
    std::string path = std::string("Z:") + hostPath;  // /x/y is Z:\x\y under Wine
    std::replace(path.begin(), path.end(), '/', '\\');
    const std::vector<name_table::Row> rows = name_table::Load(path);
    int kinds[2][2] = {};  // [folder][accept]: the table covers every combination
    for (const name_table::Row& row : rows) {
        ++kinds[row.folder][row.accept];
        const bool accepted = row.folder ? IsSafeRelativePath(row.name) : IsSafeFileName(row.name);
        EXPECT_EQ(accepted, row.accept) << name_table::Shown(row);
    }
    for (auto& byKind : kinds)
        for (int count : byKind) EXPECT_GT(count, 0);
}
