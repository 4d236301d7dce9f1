#include "app/SynthInstrumentsModel.h"

#include "QmdVorma/playback/MidiSynth.h"

SynthInstrumentsModel::SynthInstrumentsModel(QObject *parent) : QAbstractListModel(parent)
{
}

void SynthInstrumentsModel::setSynth(MidiSynth *synth)
{
    beginResetModel();
    m_synth = synth;
    endResetModel();
}

int SynthInstrumentsModel::rowCount(const QModelIndex &parent) const
{
    return m_synth && !parent.isValid() ? m_synth->instrumentCount() : 0;
}

QVariant SynthInstrumentsModel::data(const QModelIndex &index, int role) const
{
    if (!m_synth || !index.isValid() || role != Qt::DisplayRole || index.row() >= rowCount())
        return QVariant();
    return m_synth->instrumentName(m_synth->instrument(index.row()));
}
