#include <livelink/DecimalText.h>
#include <livelink/InstanceList.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace vel::live {

void PrintTo(const InstanceRecord& r, std::ostream* out)
{
    *out << "{" << r.majorVersion << ", " << r.processId << ", " << r.liveLinkPort << "}";
}

} // namespace vel::live

using vel::live::InstanceRecord;
using vel::live::readInstanceList;
using Records = std::vector<InstanceRecord>;

TEST(DecimalText, ReadsLikeAtoiButSaturatesInsteadOfOverflowing)
{
    using vel::live::readDecimal;
    EXPECT_EQ(readDecimal(" \t\n 42"), 42);
    EXPECT_EQ(readDecimal("-7x"), -7);
    EXPECT_EQ(readDecimal("+-5"), 0);
    EXPECT_EQ(readDecimal("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(readDecimal("9223372036854775808"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(vel::live::readDecimal32("4294967296"), std::numeric_limits<int>::max());
}

TEST(InstanceList, ReadsTheProcessesInRangeSkipsIncompleteOnesAndTakesTheFirstOfEachNumberDepthFirst)
{
    // Each child's subtree is searched depth first, the child itself
    // included: the nested 9 comes before the shallower 8.
    const char* xml = "<?xml version=\"1.0\"?><instances>"
                      "<p><version_major>9</version_major><process_id>4711</process_id>"
                      "<livelink_port>5000</livelink_port></p>"
                      "<other/>"
                      "<p><version_major> 8</version_major><process_id>+12345678901</process_id>"
                      "<livelink_port/></p>"
                      "<p><version_major>10</version_major><process_id>2</process_id>"
                      "<livelink_port>1</livelink_port></p>"
                      "<p><version_major>9</version_major><livelink_port>1</livelink_port></p>"
                      "<p><version_major>9</version_major><process_id>3</process_id></p>"
                      "<p><info><build><version_major>9</version_major></build><process_id>11</process_id></info>"
                      "<version_major>8</version_major><process_id>12</process_id>"
                      "<net><livelink_port>5000</livelink_port></net><livelink_port>6000</livelink_port></p>"
                      "<version_major>9<process_id>5</process_id><livelink_port>1</livelink_port></version_major>"
                      "</instances>";
    EXPECT_EQ(readInstanceList(xml, 8, 9), Records({{9, 4711, 5000}, {8, 12345678901, 0}, {9, 11, 5000}, {9, 5, 1}}));

    for (const char* nothing : {static_cast<const char*>(nullptr), "", "not xml", "<instances>", "<instances/>"})
        EXPECT_TRUE(readInstanceList(nothing, 0, 100).empty()) << (nothing != nullptr ? nothing : "null");
}
