#include "platform/Processor.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace tsukimi::platform {

bool ProcessorHasMmx()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
    return (edx & (1u << 23)) != 0;
#else
    return true;
#endif
}

} // namespace tsukimi::platform
