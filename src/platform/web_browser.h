#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace hodra {

// A browser command line cut before the place the address goes: at the opening quote of
// a quoted placeholder ("%u", "%U", "%1", also "%s" as $BROWSER writes it), else at a
// bare placeholder, else kept whole. Other desktop-entry field codes are dropped.
QString CutBrowserCommand(const QString& commandLine);

// Words of a command line as a shell would split it, without expansions: blanks separate
// words, single quotes keep everything, double quotes all but a backslash before " \ $ `.
// Nothing when a quote is left open.
std::optional<QStringList> SplitCommandLine(const QString& command);

// The program and its arguments: the words of the cut command line, then the address as
// one more argument whatever it holds. Nothing when the cut leaves a quote open or no
// program.
std::optional<QStringList> BrowserCommandFor(const QString& commandLine, const QString& address);

// Opens the service's web page: first through the desktop (xdg-open), then through the
// default browser's own command line ($BROWSER, then the default browser's desktop entry).
class WebPageLauncher {
public:
    using ShellOpen = std::function<bool(const QUrl&)>;

    WebPageLauncher();
    explicit WebPageLauncher(ShellOpen shellOpen);

    bool Open(const QString& address) const;
    // $BROWSER's first entry, else the Exec line of the default browser's desktop entry.
    static QString DefaultBrowserCommandLine();

private:
    ShellOpen shellOpen;
};

}  // namespace hodra
