#include "QmdVorma/ValueForms.h"

#include "Qmd/QmdModel.h"

#include <QRegularExpression>

#include <iterator>

namespace QmdVorma {
namespace ValueForms {

namespace {

struct Name
{
    const char *lowerName;
    const char *writtenName; // null: only read, from older documents
    int value;
};

const Name TypeNames[] = {{"edge", "Edge", 1},
                          {"node", "Node", 2},
                          {"textbox", "TextBox", 3},
                          {"voicegroup", "VoiceGroup", 4},
                          {"arc", nullptr, 1},
                          {"player", nullptr, 4}};
const Name PathNames[] = {{"cityblock", "CityBlock", 0},
                          {"cityblockflipped", "CityBlockFlipped", 1},
                          {"direct", "Direct", 2}};
const Name SignallingMethodNames[] = {{"sequential", "Sequential", 0},
                                      {"parallel", "Parallel", 1},
                                      {"random", "Random", 2}};

struct NamedKey
{
    const char *key;
    const Name *begin;
    const Name *end;
};

const NamedKey NamedKeys[] = {
    {"Type", std::begin(TypeNames), std::end(TypeNames)},
    {"Path", std::begin(PathNames), std::end(PathNames)},
    {"SignallingMethod", std::begin(SignallingMethodNames), std::end(SignallingMethodNames)},
};

const NamedKey *namedKey(const QString &key)
{
    for (const NamedKey &named : NamedKeys) {
        if (key == QLatin1String(named.key))
            return &named;
    }
    return nullptr;
}

} // namespace

bool isStyleColorEntry(const QmdModel &model, const QmdIndex &index)
{
    static const QRegularExpression styleColorKey(QStringLiteral("^Style.*Color$"));
    return !model.parent(index).namesEntry() && styleColorKey.match(index.key()).hasMatch();
}

bool isElementEntry(const QmdModel &model, const QmdIndex &index)
{
    return model.parent(model.parent(index)).key() == QLatin1String("Elements");
}

bool isNamedKey(const QString &key)
{
    return namedKey(key) != nullptr;
}

QString nameOf(const QString &key, int value)
{
    if (const NamedKey *named = namedKey(key)) {
        for (const Name *name = named->begin; name != named->end; ++name) {
            if (name->writtenName && name->value == value)
                return QLatin1String(name->writtenName);
        }
    }
    return QString(QLatin1String(""));
}

int valueOfName(const QString &key, const QString &lowerName)
{
    if (const NamedKey *named = namedKey(key)) {
        for (const Name *name = named->begin; name != named->end; ++name) {
            if (lowerName == QLatin1String(name->lowerName))
                return name->value;
        }
    }
    return 0;
}

} // namespace ValueForms
} // namespace QmdVorma
