// A library under the live library's file name that lacks its entry point.
extern "C" int rd_test_live_without_entry()
{
    return 1;
}
