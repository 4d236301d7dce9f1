#ifndef APP_SYNTHINSTRUMENTSMODEL_H
#define APP_SYNTHINSTRUMENTSMODEL_H

#include <QAbstractListModel>
#include <QPointer>

#include "QmdVorma/playback/MidiSynth.h"

// The instruments of the synthesizer's sound bank, by name.
class SynthInstrumentsModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit SynthInstrumentsModel(QObject *parent = nullptr);

    void setSynth(MidiSynth *synth);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QPointer<MidiSynth> m_synth;
};

#endif
