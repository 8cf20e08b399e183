#include "history_view.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QMessageBox>
#include <cstdio>

#include "build_info.h"

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
        std::fprintf(stderr, "hodra2: 기록 창 모듈을 읽을 수 없습니다: %s\n", qPrintable(module.errorString()));
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Hodra2"), QStringLiteral("기록 창을 열 수 없습니다"),
                        QMessageBox::NoButton);
        box.addButton(QStringLiteral("확인"), QMessageBox::AcceptRole);
        box.exec();
        return nullptr;
    }
    return create();
}

}  // namespace hodra
