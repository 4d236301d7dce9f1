#include "QmdVorma/ScaleKeysModel.h"

#include <QStringList>

namespace {

constexpr int KeyCount = 12;

struct KeyRow
{
    const char *text;
    int pitchClass;
};

const KeyRow keyRows[KeyCount] = {
    {"A", 9},       {"A# / Bb", 10}, {"B", 11}, {"C", 0},       {"C# / Db", 1}, {"D", 2},
    {"D# / Eb", 3}, {"E", 4},        {"F", 5},  {"F# / Gb", 6}, {"G", 7},       {"G# / Ab", 8},
};

// The row texts with "#" and a lower-case "b" written as the sharp and flat
// signs; made once, by the first model.
const QStringList &keyTexts()
{
    static const QStringList texts = [] {
        QStringList list;
        for (const KeyRow &row : keyRows) {
            QString text = QString::fromLatin1(row.text);
            text.replace(QLatin1Char('#'), QChar(0x266F));
            text.replace(QLatin1Char('b'), QChar(0x266D));
            list << text;
        }
        return list;
    }();
    return texts;
}

} // namespace

ScaleKeysModel::ScaleKeysModel(QObject *parent)
    : QAbstractItemModel(parent)
{
    keyTexts();
}

QModelIndex ScaleKeysModel::index(int row, int column, const QModelIndex &parent) const
{
    // A flat list: nothing lies below a key.
    if (parent.isValid() || row < 0 || row >= KeyCount || column != 0)
        return QModelIndex();
    return createIndex(row, column, quintptr(keyRows[row].pitchClass));
}

QModelIndex ScaleKeysModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int ScaleKeysModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : KeyCount;
}

int ScaleKeysModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant ScaleKeysModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= KeyCount)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return keyTexts().at(index.row());
    case Qt::UserRole:
        return QVariant(qint64(keyRows[index.row()].pitchClass));
    default:
        return QVariant();
    }
}
