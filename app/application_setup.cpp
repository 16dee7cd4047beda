#include "app/application_setup.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>

QString load_style_sheet(const QStringList& resources) {
    QString sheet;
    for (const QString& name : resources) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray bytes = file.readAll();
        sheet +=
            QString::fromUtf8(bytes.constData(), int(qstrnlen(bytes.constData(), bytes.size())));
    }
    return sheet;
}

void install_application_font(const QString& resource) {
    const int id = QFontDatabase::addApplicationFont(resource);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        return;
    }
    QFont font;
    font.setFamily(families.first());
    QApplication::setFont(font);
}
