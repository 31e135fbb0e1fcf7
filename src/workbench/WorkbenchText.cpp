#include "workbench/WorkbenchText.h"

#include <QDir>
#include <QTextDocument>

namespace quarvel {

QString AsShown(const QString& text) {
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
}

QString FileDetail(const QString& path, const std::string& reason) {
    QString detail = QStringLiteral("文件：%1").arg(QDir::toNativeSeparators(path));
    if (!reason.empty()) {
        detail += QLatin1Char('\n') + ToQString(reason);
    }
    return detail;
}

} // namespace quarvel
