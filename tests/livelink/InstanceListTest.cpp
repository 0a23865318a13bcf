#include <DecimalText.h>
#include <InstanceList.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using vel::live::InstanceRecord;
using vel::live::readInstanceList;

namespace vel::live {

void PrintTo(const InstanceRecord& r, std::ostream* out)
{
    *out << "{" << r.majorVersion << ", " << r.processId << ", " << r.liveLinkPort << "}";
}

} // namespace vel::live

namespace {

std::string process(const std::string& version, const std::string& id, const std::string& port)
{
    return "<p><version_major>" + version + "</version_major><process_id>" + id + "</process_id><livelink_port>"
           + port + "</livelink_port></p>";
}

} // namespace

TEST(DecimalText, ReadsLikeAtoiWithoutOverflowing)
{
    using vel::live::readDecimal;
    EXPECT_EQ(readDecimal("42"), 42);
    EXPECT_EQ(readDecimal(" \t\n\r\v\f 42"), 42);
    EXPECT_EQ(readDecimal("+7"), 7);
    EXPECT_EQ(readDecimal("-7"), -7);
    EXPECT_EQ(readDecimal("12ab34"), 12);
    EXPECT_EQ(readDecimal("9 1"), 9);
    EXPECT_EQ(readDecimal(""), 0);
    EXPECT_EQ(readDecimal("abc"), 0);
    EXPECT_EQ(readDecimal("- 5"), 0);
    EXPECT_EQ(readDecimal("+-5"), 0);
    EXPECT_EQ(readDecimal("0x1A"), 0);
    EXPECT_EQ(readDecimal("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(readDecimal("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(readDecimal("9223372036854775808"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(readDecimal("-99999999999999999999999"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(vel::live::readDecimal32("4294967296"), std::numeric_limits<int>::max());
    EXPECT_EQ(vel::live::readDecimal32("-4294967296"), std::numeric_limits<int>::min());
}

TEST(InstanceList, ReadsEveryProcessInRangeInDocumentOrder)
{
    const std::string xml = "<?xml version=\"1.0\"?><!-- running --><instances>" + process("9", "4711", "5000")
                            + "<other/>" + process(" 8", "+12345678901", "0") + process("7", "1", "5001")
                            + process("10", "2", "5002") + process("9", "-3", "-1") + "</instances>";
    const std::vector<InstanceRecord> expected{{9, 4711, 5000}, {8, 12345678901, 0}, {9, -3, -1}};
    EXPECT_EQ(readInstanceList(xml.c_str(), 8, 9), expected);
}

TEST(InstanceList, TakesTheFirstOfEachNumberDepthFirstAndSkipsIncompleteProcesses)
{
    // The first match in document order, searching each branch to its end
    // before the next sibling: the nested 9 comes before the shallower 8.
    const char* nested = "<instances><p>"
                         "<info><build><version_major>9</version_major></build><process_id>11</process_id></info>"
                         "<version_major>8</version_major><process_id>12</process_id>"
                         "<net><livelink_port>5000</livelink_port></net><livelink_port>6000</livelink_port>"
                         "</p></instances>";
    EXPECT_EQ(readInstanceList(nested, 8, 9), std::vector<InstanceRecord>({{9, 11, 5000}}));

    // The child element itself may be the number (and then holds the rest).
    const char* self = "<instances><version_major>9<process_id>5</process_id><livelink_port>1</livelink_port>"
                       "</version_major></instances>";
    EXPECT_EQ(readInstanceList(self, 8, 9), std::vector<InstanceRecord>({{9, 5, 1}}));

    const std::string incomplete = "<instances>"
                                   "<p><process_id>1</process_id><livelink_port>1</livelink_port></p>"
                                   "<p><version_major>9</version_major><livelink_port>1</livelink_port></p>"
                                   "<p><version_major>9</version_major><process_id>3</process_id></p>"
                                   "<p><version_major>9</version_major><process_id>4</process_id>"
                                   "<livelink_port/></p>"
                                   "<p><version_major></version_major><process_id>5</process_id>"
                                   "<livelink_port>1</livelink_port></p>"
                                   "</instances>";
    // An empty number element is there and reads as 0.
    EXPECT_EQ(readInstanceList(incomplete.c_str(), 8, 9), std::vector<InstanceRecord>({{9, 4, 0}}));
    EXPECT_EQ(readInstanceList(incomplete.c_str(), 0, 9), std::vector<InstanceRecord>({{9, 4, 0}, {0, 5, 1}}));
}

TEST(InstanceList, NothingUsableGivesAnEmptyList)
{
    for (const char* xml : {static_cast<const char*>(nullptr), "", "   ", "not xml", "<instances>",
                            "<instances><p><version_major>9</version_major></p>", "<instances/>",
                            "<!-- only a comment -->"}) {
        EXPECT_TRUE(readInstanceList(xml, 0, 100).empty()) << (xml != nullptr ? xml : "null");
    }
    // Only the first root element holds processes.
    const std::string twoRoots = "<a/>" + process("9", "1", "1");
    EXPECT_TRUE(readInstanceList(twoRoots.c_str(), 0, 100).empty());
}
