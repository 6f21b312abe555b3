// xscreensaver's settings description offers each setting of the settings table
// under its name, with the dialog's range and the default, and passes it as the
// option of that name.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "core/settings/setting_table.h"

TEST(SettingsXmlTest, TheDescriptionAgreesWithTheSettingsTable)
{
    std::ifstream file(VELMORA_XML);
    ASSERT_TRUE(file) << VELMORA_XML;
    std::stringstream text;
    text << file.rdbuf();
    const std::string xml = text.str();
    int described = 0;
    for (const SettingEntry& e : kSettingTable) {
        const std::string id = e.option;
        std::smatch m;
        if (e.low == 0 && e.high == 1) {  // a check box: the argument that differs from the default
            const std::string arg = e.fallback ? "arg-unset=\"--" + id + " 0\"" : "arg-set=\"--" + id + " 1\"";
            EXPECT_TRUE(std::regex_search(xml, m, std::regex("<boolean id=\"" + id + "\"[^>]*" + arg))) << id;
        } else {
            ASSERT_TRUE(std::regex_search(xml, m, std::regex("<number id=\"" + id + "\"[^>]*>"))) << id;
            const std::string tag = m.str();
            const auto attribute = [&](const std::string& name) {
                std::smatch a;
                return std::regex_search(tag, a, std::regex(" " + name + "=\"([^\"]*)\"")) ? a.str(1) : "(none)";
            };
            EXPECT_EQ(attribute("arg"), "--" + id + " %") << id;
            EXPECT_EQ(attribute("low"), std::to_string(e.dialogLow)) << id;
            EXPECT_EQ(attribute("high"), std::to_string(e.dialogHigh)) << id;
            EXPECT_EQ(attribute("default"), std::to_string(e.fallback)) << id;
        }
        ++described;
    }
    EXPECT_EQ(described, kSettingCount);
    const std::regex control("<(number|boolean) ");
    EXPECT_EQ(std::distance(std::sregex_iterator(xml.begin(), xml.end(), control), std::sregex_iterator()), kSettingCount)
        << "nothing described beyond the table";
}
