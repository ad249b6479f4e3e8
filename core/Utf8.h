#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace orvanta {

// Decodes the UTF-8 sequence at `i` and moves past it. A malformed sequence,
// an overlong form, a surrogate or a value past U+10FFFF gives nothing and
// moves past its first byte only.
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& i);

}  // namespace orvanta
