#include "dialogs/fonts.h"

#include <QFile>
#include <QXmlStreamReader>
#include <cmath>

#include "settings/data_files.h"

namespace hodra {
namespace {

// Reads <alias><family>FACE</family><prefer><family>SUBSTITUTE</family>... entries.
void ReadAliases(QIODevice& file) {
    QXmlStreamReader xml(&file);
    QString face;
    bool inPrefer = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("alias")) {
            face.clear();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("prefer")) {
            inPrefer = true;
        } else if (xml.isEndElement() && xml.name() == QLatin1String("prefer")) {
            inPrefer = false;
        } else if (xml.isStartElement() && xml.name() == QLatin1String("family")) {
            const QString family = xml.readElementText().trimmed();
            if (!inPrefer) {
                face = family;
            } else if (!face.isEmpty()) {
                QFont::insertSubstitution(face, family);
            }
        }
    }
}

}  // namespace

void InstallFontSubstitutions() {
    QFile installed(FindDataFile(QStringLiteral("fonts.conf")));
    if (installed.open(QIODevice::ReadOnly)) {
        ReadAliases(installed);
        return;
    }
    QFile builtIn(QStringLiteral(":/fonts.conf"));
    if (builtIn.open(QIODevice::ReadOnly)) {
        ReadAliases(builtIn);
    }
}

QFont MakeFont(const QString& face, double points) {
    QFont font(face);
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

}  // namespace hodra
