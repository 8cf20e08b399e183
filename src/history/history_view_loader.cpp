#include "history/history_view.h"

#include <QCoreApplication>
#include <QLibrary>
#include <cstdio>

#include "build_info.h"
#include "history/history_texts.h"

namespace hodra {

HistoryView* LoadHistoryView() {
    static QLibrary module;
    if (!module.isLoaded()) {
        const QString programs = QCoreApplication::applicationDirPath();
        for (const QString& dir :
             {programs, programs + QStringLiteral("/../") + QString::fromUtf8(kModuleSubdirectory)}) {
            module.setFileName(dir + QStringLiteral("/hodra2-history.so"));
            if (module.load()) {
                break;
            }
        }
    }
    const auto create = reinterpret_cast<CreateHistoryViewFunction>(module.resolve(kCreateHistoryView));
    if (create == nullptr) {
        std::fprintf(stderr, text::kNoHistoryModule, qPrintable(module.errorString()));
        return nullptr;
    }
    return create();
}

}  // namespace hodra
