// The test host's main loop on POSIX systems: poll() on the file
// descriptors the plug-in registered.
#include <poll.h>

#include "tests/clap/clap_host.h"

namespace claphost {

void ClapHost::waitAndDispatch(int waitMs) {
    std::vector<pollfd> watched;
    for (const auto& [fd, flags] : fileDescriptors) {
        short events = 0;
        if (flags & kFdRead) events |= POLLIN;
        if (flags & kFdWrite) events |= POLLOUT;
        watched.push_back({fd, events, 0});
    }
    if (poll(watched.data(), watched.size(), waitMs) <= 0 || !plugin) return;
    const auto* support =
        static_cast<const clap_plugin_posix_fd_support*>(plugin->get_extension(plugin, kExtPosixFdSupport));
    for (const pollfd& p : watched) {
        // The plug-in may have unregistered it from inside an earlier call.
        if (!p.revents || !fileDescriptors.count(p.fd)) continue;
        std::uint32_t flags = 0;
        if (p.revents & POLLIN) flags |= kFdRead;
        if (p.revents & POLLOUT) flags |= kFdWrite;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) flags |= kFdError;
        ++fdCalls;
        if (support) support->on_fd(plugin, p.fd, flags);
    }
}

}  // namespace claphost
