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
