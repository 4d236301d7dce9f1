#ifndef APP_MIDISYNTHDIALOG_H
#define APP_MIDISYNTHDIALOG_H

#include "ui_MidiSynthDialogForm.h"

#include <QDialog>
#include <QPointer>

#include "QmdVorma/playback/MidiSynth.h"
class QSettings;
class SynthChannelsModel;
class SynthInstrumentsModel;

// The tool window that shows which instrument of the synthesizer's sound
// bank each MIDI channel plays, and changes it.
class MidiSynthDialog : public QDialog, public Ui::MidiSynthDialogForm
{
    Q_OBJECT

public:
    // `store` keeps the dialog's geometry across runs; not owned, may be null.
    explicit MidiSynthDialog(QSettings *store = nullptr);
    // Stores the geometry.
    ~MidiSynthDialog() override;

    void setSynth(MidiSynth *synth);
    MidiSynth *synth() const { return m_synth; }

    SynthChannelsModel *channelsModel() const { return m_channelsModel; }
    SynthInstrumentsModel *instrumentsModel() const { return m_instrumentsModel; }

public slots:
    void on_resetButton_clicked();
    void onChannelIndexOrDataChanged(const QModelIndex &index);
    void on_instrumentsComboBox_currentIndexChanged(int index);
    void onAnySpinBoxValueChanged();

private:
    void updateSoundBankLabel();
    // The channel whose instrument the widgets show, -1 for none.
    int currentChannel() const;

    QSettings *m_store;
    QPointer<MidiSynth> m_synth;
    SynthChannelsModel *m_channelsModel;
    SynthInstrumentsModel *m_instrumentsModel;
};

#endif
