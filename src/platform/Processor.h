#pragma once

namespace tsukimi::platform {

// The processor offers MMX (CPUID leaf 1, EDX bit 23) on x86; true elsewhere.
bool ProcessorHasMmx();

} // namespace tsukimi::platform
