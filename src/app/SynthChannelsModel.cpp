#include "app/SynthChannelsModel.h"

#include "QmdVorma/playback/MidiSynth.h"

namespace {
constexpr int ChannelCount = 16;
}

SynthChannelsModel::SynthChannelsModel(QObject *parent) : QAbstractTableModel(parent)
{
}

void SynthChannelsModel::setSynth(MidiSynth *synth)
{
    beginResetModel();
    if (m_synth)
        m_synth->disconnect(this);
    m_synth = synth;
    // The signal comes from the synthesizer's worker thread; the automatic
    // connection queues it to the model's thread.
    if (m_synth)
        connect(m_synth, &MidiSynth::instrumentChanged, this, &SynthChannelsModel::onInstrumentChanged);
    endResetModel();
}

int SynthChannelsModel::rowCount(const QModelIndex &parent) const
{
    return m_synth && !parent.isValid() ? ChannelCount : 0;
}

int SynthChannelsModel::columnCount(const QModelIndex &parent) const
{
    return m_synth && !parent.isValid() ? 2 : 0;
}

QVariant SynthChannelsModel::data(const QModelIndex &index, int role) const
{
    if (!m_synth || !index.isValid() || role != Qt::DisplayRole || index.row() >= ChannelCount)
        return QVariant();
    if (index.column() == 0)
        return QString::number(index.row() + 1);
    return m_synth->instrumentName(m_synth->channelInstrument(index.row()));
}

QVariant SynthChannelsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (m_synth && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return section == 0 ? tr("MIDI Channel") : tr("Instrument");
    return QAbstractTableModel::headerData(section, orientation, role);
}

void SynthChannelsModel::onInstrumentChanged(int channel)
{
    if (channel < 0 || channel >= rowCount())
        return;
    const QModelIndex changed = index(channel, 1);
    emit dataChanged(changed, changed);
}
