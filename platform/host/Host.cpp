#include "host/Host.h"

#include "host/headless/HeadlessHost.h"

namespace {
std::unique_ptr<CHost>& Installed() {
    static std::unique_ptr<CHost> host;
    return host;
}
} // namespace

CHost* DvGetHost() {
    std::unique_ptr<CHost>& host = Installed();
    if (!host) {
        host = std::make_unique<CHeadlessHost>();
    }
    return host.get();
}

std::unique_ptr<CHost> DvInstallHost(std::unique_ptr<CHost> host) {
    std::unique_ptr<CHost> previous = std::move(Installed());
    Installed() = std::move(host);
    return previous;
}
