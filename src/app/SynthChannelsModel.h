#ifndef APP_SYNTHCHANNELSMODEL_H
#define APP_SYNTHCHANNELSMODEL_H

#include <QAbstractTableModel>
#include <QPointer>

#include "QmdVorma/playback/MidiSynth.h"

// The synthesizer's 16 channels with the instrument each plays; empty
// without a synthesizer.
class SynthChannelsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit SynthChannelsModel(QObject *parent = nullptr);

    void setSynth(MidiSynth *synth);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

public slots:
    void onInstrumentChanged(int channel);

private:
    QPointer<MidiSynth> m_synth;
};

#endif
