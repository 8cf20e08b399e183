#include "platform/web_browser.h"

#include <QStandardPaths>
#include <QTimer>
#include <memory>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <fstream>

#include "settings/key_file.h"

namespace hodra {
namespace {

const QStringList kPlaceholders = {QStringLiteral("%u"), QStringLiteral("%U"), QStringLiteral("%1"),
                                   QStringLiteral("%s")};

QString Env(const char* name, const QString& fallback = {}) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QStringList ConfigDirs() {
    QStringList dirs{Env("XDG_CONFIG_HOME", QDir::homePath() + "/.config")};
    dirs << Env("XDG_CONFIG_DIRS", "/etc/xdg").split(':', Qt::SkipEmptyParts);
    return dirs;
}

QStringList ApplicationDirs() {
    QStringList dirs{Env("XDG_DATA_HOME", QDir::homePath() + "/.local/share")};
    dirs << Env("XDG_DATA_DIRS", "/usr/local/share:/usr/share").split(':', Qt::SkipEmptyParts);
    for (QString& d : dirs) {
        d += QStringLiteral("/applications");
    }
    return dirs;
}

// The value of key in [section] of a desktop-style file, as written.
QString IniValue(const QString& path, const char* section, const char* key) {
    std::ifstream file(path.toStdString());
    if (!file) {
        return {};
    }
    const auto values = ReadKeyFileGroup(file, section);
    const auto found = values.find(key);
    return found == values.end() ? QString() : QString::fromStdString(found->second);
}

QString DefaultBrowserDesktopFile() {
    QStringList lists;
    for (const QString& d : ConfigDirs()) {
        lists << d + "/mimeapps.list";
    }
    for (const QString& d : ApplicationDirs()) {
        lists << d + "/mimeapps.list";
    }
    for (const QString& list : lists) {
        for (const char* type : {"x-scheme-handler/https", "x-scheme-handler/http", "text/html"}) {
            const QString entries = IniValue(list, "Default Applications", type);
            const QString first = entries.split(';', Qt::SkipEmptyParts).value(0);
            if (!first.isEmpty()) {
                return first;
            }
        }
    }
    return {};
}

// Field codes other than the placeholder mean nothing here (%i icon, %c name, %k file).
QString WithoutFieldCodes(QString command) {
    static const QRegularExpression codes(QStringLiteral("%[fFdDnNickvm]"));
    command.remove(codes);
    command.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return command.trimmed();
}

bool StartDetached(QStringList words) {
    const QString program = words.takeFirst();
    return QProcess::startDetached(program, words);
}

}  // namespace

// Splits like a shell without expansion: blanks separate words; single quotes keep
// everything, double quotes keep all but a backslash before " \ $ or `. That is the
// desktop entry's Exec quoting, which QProcess::splitCommand does not know (it keeps the
// backslashes and takes no single quotes).
std::optional<QStringList> SplitCommandLine(const QString& command) {
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (!quote.isNull()) {
            if (c == quote) {
                quote = QChar();
            } else if (quote == '"' && c == '\\' && i + 1 < command.size() &&
                       QStringLiteral("\"\\$`").contains(command[i + 1])) {
                word += command[++i];
            } else {
                word += c;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord) {
                words << word;
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (!quote.isNull()) {
        return std::nullopt;
    }
    if (inWord) {
        words << word;
    }
    return words;
}

QString CutBrowserCommand(const QString& commandLine) {
    qsizetype cut = -1;
    for (const QString& p : kPlaceholders) {
        for (const QChar quote : {QChar('"'), QChar('\'')}) {
            const qsizetype at = commandLine.indexOf(quote + p + quote);
            if (at >= 0 && (cut < 0 || at < cut)) {
                cut = at;
            }
        }
    }
    if (cut < 0) {
        for (const QString& p : kPlaceholders) {
            const qsizetype at = commandLine.indexOf(p);
            if (at >= 0 && (cut < 0 || at < cut)) {
                cut = at;
            }
        }
    }
    const QString kept = cut >= 0 ? commandLine.left(cut) : commandLine;
    return WithoutFieldCodes(kept);
}

std::optional<QStringList> BrowserCommandFor(const QString& commandLine, const QString& address) {
    std::optional<QStringList> words = SplitCommandLine(CutBrowserCommand(commandLine));
    if (!words || words->isEmpty()) {
        return std::nullopt;
    }
    *words << address;
    return words;
}

QString WebPageLauncher::DefaultBrowserCommandLine() {
    const QString browser = qEnvironmentVariable("BROWSER").split(':', Qt::SkipEmptyParts).value(0).trimmed();
    if (!browser.isEmpty()) {
        return browser;
    }
    const QString desktopFile = DefaultBrowserDesktopFile();
    if (desktopFile.isEmpty()) {
        return {};
    }
    for (const QString& dir : ApplicationDirs()) {
        const QString exec = IniValue(dir + '/' + desktopFile, "Desktop Entry", "Exec");
        if (!exec.isEmpty()) {
            return exec;
        }
    }
    return {};
}

namespace {

// xdg-open run by us, not through QDesktopServices: that reports success as soon as the
// opener starts, so a desktop that cannot open the page would never reach the fallback.
void DesktopOpen(const QUrl& url, const WebPageLauncher::Done& done) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        done(false);
        return;
    }
    auto* process = new QProcess;
    auto answered = std::make_shared<bool>(false);
    auto answer = [done, answered](bool opened) {
        if (!*answered) {
            *answered = true;
            done(opened);
        }
    };
    QObject::connect(process, &QProcess::finished, process, [process, answer](int code, QProcess::ExitStatus how) {
        answer(how == QProcess::NormalExit && code == 0);
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, answer](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            answer(false);
            process->deleteLater();
        }
    });
    QTimer::singleShot(WebPageLauncher::kOpenerPatienceMs, process, [answer] { answer(true); });
    process->start(opener, {url.toString()});
}

}  // namespace

WebPageLauncher::WebPageLauncher() : WebPageLauncher(DesktopOpen) {}

WebPageLauncher::WebPageLauncher(ShellOpen shellOpen) : shellOpen(std::move(shellOpen)) {}

void WebPageLauncher::Open(const QString& address, Done done) const {
    auto fallback = [address, done](bool opened) {
        if (opened) {
            done(true);
            return;
        }
        const std::optional<QStringList> command = BrowserCommandFor(DefaultBrowserCommandLine(), address);
        done(command && StartDetached(*command));
    };
    if (shellOpen) {
        shellOpen(QUrl(address), fallback);
    } else {
        fallback(false);
    }
}

}  // namespace hodra
