#pragma once
// Packed command codes: up to four lower-case bytes of the command name,
// little-endian ("if" is 0x6669).
#include <cstdint>
#include <string_view>

namespace tsukimi {

constexpr uint32_t PackCommand(std::string_view name)
{
    uint32_t code = 0;
    for (size_t i = 0; i < name.size() && i < 4; ++i)
        code |= static_cast<uint32_t>(static_cast<uint8_t>(name[i])) << (8 * i);
    return code;
}

namespace command {
inline constexpr uint32_t If = PackCommand("if"), Then = PackCommand("then"),
                          Else = PackCommand("else"), For = PackCommand("for"),
                          Case = PackCommand("case"), Ans = PackCommand("ans"),
                          End = PackCommand("end");
inline constexpr uint32_t Go = PackCommand("go"), Jmp = PackCommand("jmp"),
                          Sub = PackCommand("sub"), Subr = PackCommand("subr"),
                          Ret = PackCommand("ret"), Brk = PackCommand("brk"),
                          Cnt = PackCommand("cnt");
} // namespace command

} // namespace tsukimi
