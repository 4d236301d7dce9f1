#include "QmdVorma/ElementTypeNames.h"

#include <QCoreApplication>

#include <iterator>

namespace QmdVorma {

QString elementTypeName(int type)
{
    static const char *const names[] = {
        QT_TRANSLATE_NOOP("QObject", "Invalid"),   QT_TRANSLATE_NOOP("QObject", "Edge"),
        QT_TRANSLATE_NOOP("QObject", "Node"),      QT_TRANSLATE_NOOP("QObject", "Text Box"),
        QT_TRANSLATE_NOOP("QObject", "Voice Group"),
    };
    if (type < 0 || type >= int(std::size(names)))
        return QString();
    return QCoreApplication::translate("QObject", names[type]);
}

} // namespace QmdVorma
