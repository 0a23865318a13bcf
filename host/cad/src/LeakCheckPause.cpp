#include "LeakCheckPause.h"

// GCC says it builds with AddressSanitizer one way, clang another.
#if defined(__SANITIZE_ADDRESS__)
#define RD_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RD_LEAK_CHECKED 1
#endif
#endif
#if defined(RD_LEAK_CHECKED)
#include <sanitizer/lsan_interface.h>
#endif

namespace standin::host::cad {

LeakCheckPause::LeakCheckPause()
{
#if defined(RD_LEAK_CHECKED)
    __lsan_disable();
#endif
}

LeakCheckPause::~LeakCheckPause()
{
#if defined(RD_LEAK_CHECKED)
    __lsan_enable();
#endif
}

} // namespace standin::host::cad
