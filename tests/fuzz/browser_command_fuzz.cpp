// Cutting a browser command line at its placeholder, and splitting it into words.
#include <QString>
#include <cstdint>

#include "platform/web_browser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString cut = hodra::CutBrowserCommand(line);
    const auto command = hodra::BrowserCommandFor(line, QStringLiteral("http://127.0.0.1/"));
    if ((command && (command->size() < 2 || command->last() != QStringLiteral("http://127.0.0.1/"))) ||
        cut.size() > line.size()) {
        __builtin_trap();
    }
    return 0;
}
