// Same bytes on every machine: glibc picks its libm routines (sin, exp, pow...) by CPU,
// and the variants that use fused multiply-add round some results differently from the
// others. The generators therefore run with those variants switched off: if the setting
// is not in force yet, the program starts itself again with it (once).
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace cg {

inline void UsePortableMath(char** argv)
{
    const char* const kSetting = "glibc.cpu.hwcaps=-FMA,-FMA4";
    const char* current = std::getenv("GLIBC_TUNABLES");
    if (current && std::strstr(current, kSetting)) return;
    std::string value = current && *current ? std::string(current) + ":" + kSetting : std::string(kSetting);
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0) return;
    execv("/proc/self/exe", argv);
    // Could not start again: carry on with the machine's own routines.
}

}  // namespace cg
