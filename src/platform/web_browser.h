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

// Opens the service's web page: first through the desktop (xdg-open, judged by its exit
// status), then through the default browser's own command line ($BROWSER, then the default
// browser's desktop entry). The answer comes when the desktop's opener has said.
class WebPageLauncher {
public:
    using Done = std::function<void(bool opened)>;
    // Asks the desktop to open a page; says later whether it did.
    using ShellOpen = std::function<void(const QUrl&, Done)>;
    // An opener still at work after this long is showing the page (some run the browser
    // in the foreground): it counts as done.
    static constexpr int kOpenerPatienceMs = 10000;

    WebPageLauncher();
    explicit WebPageLauncher(ShellOpen shellOpen);

    void Open(const QString& address, Done done) const;
    // $BROWSER's first entry, else the Exec line of the default browser's desktop entry.
    static QString DefaultBrowserCommandLine();

private:
    ShellOpen shellOpen;
};

}  // namespace hodra
