// Unix-domain socket addresses for paths.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

// The longest path a socket address holds with its terminator.
inline constexpr std::size_t unix_path_limit = sizeof(sockaddr_un{}.sun_path) - 1;

// The whole address record is passed with its full size, path terminated
// inside it; a path that does not fit gives no address, never a cut one.
[[nodiscard]] constexpr std::optional<sockaddr_un> unix_address(std::string_view path)
{
    if (path.size() > unix_path_limit) {
        return std::nullopt;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::copy(path.begin(), path.end(), std::begin(address.sun_path));
    return address;
}

// True when both texts spell the same absolute path, component by component,
// where "//" and "/./" count as "/". Nothing is looked up, so the answer
// cannot change while other processes rename or replace nodes; ".." and
// symlinks are left to the peer check of the send.
[[nodiscard]] constexpr bool spell_same_path(std::string_view first, std::string_view second)
{
    if (first.empty() || first.front() != '/' || second.empty() || second.front() != '/') {
        return false;
    }
    // The next component from position on, leaving out "" and "."; empty at the end.
    const auto next = [](std::string_view path, std::size_t& position) {
        while (position < path.size()) {
            const std::size_t end = std::min(path.find('/', position), path.size());
            const std::string_view component = path.substr(position, end - position);
            position = end + 1;
            if (!component.empty() && component != ".") {
                return component;
            }
        }
        return std::string_view{};
    };
    std::size_t in_first = 0;
    std::size_t in_second = 0;
    for (;;) {
        const std::string_view component = next(first, in_first);
        if (component != next(second, in_second)) {
            return false;
        }
        if (component.empty()) {
            return true;
        }
    }
}
