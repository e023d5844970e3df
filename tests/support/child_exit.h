// Ends a death test's child process at once, as std::_Exit does: no static destructors run and
// no leak check of the sanitizer build looks at a process left half torn down on purpose. In a
// build that counts coverage (QV_TEST_COVERAGE), its counters are written first, so that what
// the child ran counts.
#pragma once

#include <cstdlib>

#ifdef QV_TEST_COVERAGE
extern "C" void __gcov_dump(void);
#endif

namespace testsupport {

[[noreturn]] inline void ChildExit(int code)
{
#ifdef QV_TEST_COVERAGE
    __gcov_dump();
#endif
    std::_Exit(code);
}

} // namespace testsupport
