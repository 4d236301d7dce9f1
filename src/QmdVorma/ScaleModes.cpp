#include "QmdVorma/ScaleModes.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

namespace QmdVorma {

namespace {

constexpr int AllDegrees = 0xFFF;

// The text of an element's first child node, trimmed.
QString leadingText(const QDomElement &element)
{
    return element.firstChild().nodeValue().trimmed();
}

// Appends a mode with the next order number, and adds it to the set unless an
// equal mode is already there (which keeps the first occurrence's order).
void appendMode(BuiltInScaleModeList &list, BuiltInScaleModeSet &set, const QString &label,
                int degreeSet)
{
    const BuiltInScaleMode mode(label, degreeSet, list.size());
    list.append(mode);
    if (!set.contains(mode))
        set.insert(mode);
}

void readModesFile(BuiltInScaleModeList &list, BuiltInScaleModeSet &set, const QString &filePath)
{
    QFile file(filePath);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;
    QDomDocument document;
    if (!document.setContent(&file))
        return;
    const QDomElement array = document.firstChildElement(QStringLiteral("plist")).firstChildElement();
    for (QDomElement dict = array.firstChildElement(QStringLiteral("dict")); !dict.isNull();
         dict = dict.nextSiblingElement(QStringLiteral("dict"))) {
        QString label;
        QString degrees;
        for (QDomElement key = dict.firstChildElement(QStringLiteral("key")); !key.isNull();
             key = key.nextSiblingElement(QStringLiteral("key"))) {
            const QString name = leadingText(key);
            const QString value = leadingText(key.nextSiblingElement(QStringLiteral("string")));
            if (name == QLatin1String("Label"))
                label = value;
            else if (name == QLatin1String("ChromaticScaleDegreeSet"))
                degrees = value;
        }
        if (!label.isEmpty() && !degrees.isEmpty())
            appendMode(list, set, label, parseScaleDegreeSet(degrees));
    }
}

} // namespace

BuiltInScaleModeList &builtInScaleModes()
{
    static BuiltInScaleModeList list;
    return list;
}

BuiltInScaleModeSet &builtInScaleModeSet()
{
    static BuiltInScaleModeSet set;
    return set;
}

const BuiltInScaleMode &defaultScaleMode()
{
    static const BuiltInScaleMode mode(QStringLiteral("Chromatic"),
                                       parseScaleDegreeSet(QStringLiteral("{0,1,2,3,4,5,6,7,8,9,10,11}")), -1);
    return mode;
}

QString scaleModesFilePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/ScaleModes.plist");
}

void loadScaleModes(BuiltInScaleModeList &list, BuiltInScaleModeSet &set,
                    const BuiltInScaleMode &defaultMode, const QString &filePath)
{
    list.clear();
    set.clear();
    readModesFile(list, set, filePath);
    if (list.isEmpty()) {
        appendMode(list, set, defaultMode.label, defaultMode.degreeSet);
        appendMode(list, set, QStringLiteral("Major"), parseScaleDegreeSet(QStringLiteral("{0, ,2, ,4,5, ,7, ,9, ,11}")));
        appendMode(list, set, QStringLiteral("Minor"), parseScaleDegreeSet(QStringLiteral("{0, ,2,3, ,5, ,7,8, ,10, }")));
    }
    if (!set.contains(defaultMode))
        appendMode(list, set, defaultMode.label, defaultMode.degreeSet);
}

int parseScaleDegreeSet(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("(\\{|\\}|\\s|,)+"));
    int degreeSet = 0;
    const QStringList parts = text.split(separators, Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool ok = false;
        const int degree = part.toInt(&ok, 10);
        if (ok && degree >= 0 && degree <= 11)
            degreeSet |= 1 << degree;
    }
    return degreeSet ? degreeSet : AllDegrees;
}

QString formatScaleDegreeSet(int degreeSet)
{
    QStringList degrees;
    for (int degree = 0; degree <= 11; ++degree) {
        if (degreeSet & (1 << degree))
            degrees << QString::number(degree);
    }
    return QLatin1Char('{') + degrees.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace QmdVorma
