#include "platform/file_version.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

TEST(Deliverables, EveryOneCarriesVersionOnePointOne) {
    std::istringstream files(DELIVERABLES);
    std::string file;
    int checked = 0;
    while (std::getline(files, file, '|')) {
        if (file.empty())
            continue;
        SCOPED_TRACE(file);
        auto version = corvid::platform::ReadFileVersion(file);
        ASSERT_TRUE(version.has_value());
        EXPECT_EQ(corvid::platform::FormatVersion(version->fileVersionMS, version->fileVersionLS), "1.1.0.0");
        EXPECT_EQ(corvid::platform::FormatVersion(version->productVersionMS, version->productVersionLS),
                  "1.1.0.0");
        ++checked;
    }
    EXPECT_GT(checked, 0);
}
