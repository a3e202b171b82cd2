#pragma once

#include <algorithm>
#include <string_view>

namespace bildertafel::selection {

// An address the pages can put into a mail link as it is: NAME@DOMAIN in printable ASCII, no
// blank and none of the characters that would end or change the link ("?", "#", "&", "%", "<",
// ">", quotes, commas, "/", "\"), a dot in the domain, at most 254 characters.
inline bool isMailAddress(std::string_view address) {
    const std::size_t at = address.find('@');
    const auto allowed = [](char c) {
        return c > ' ' && c < 0x7F &&
               std::string_view("?#&%<>\"',;:()[]\\/").find(c) == std::string_view::npos;
    };
    return address.size() <= 254 && at != std::string_view::npos && at > 0 &&
           address.find('@', at + 1) == std::string_view::npos &&
           std::all_of(address.begin(), address.end(),
                       [&](char c) { return c == '@' || allowed(c); }) &&
           address.find('.', at + 2) != std::string_view::npos && address.back() != '.';
}

} // namespace bildertafel::selection
