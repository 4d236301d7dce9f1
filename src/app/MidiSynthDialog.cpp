#include "app/MidiSynthDialog.h"

#include "app/SynthChannelsModel.h"
#include "app/SynthInstrumentsModel.h"

#include "QmdVorma/ApplicationSettingsKeys.h"
#include "QmdVorma/playback/MidiSynth.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>

MidiSynthDialog::MidiSynthDialog(QSettings *store)
    : QDialog(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint),
      m_store(store), m_channelsModel(new SynthChannelsModel(this)),
      m_instrumentsModel(new SynthInstrumentsModel(this))
{
    setupUi(this);
    openButton->hide();

    channelsView->setModel(m_channelsModel);
    channelsView->setUniformRowHeights(true);
    // A flat table, not a tree.
    channelsView->setRootIsDecorated(false);
    connect(channelsView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &MidiSynthDialog::onChannelIndexOrDataChanged);
    connect(m_channelsModel, &QAbstractItemModel::dataChanged, this, &MidiSynthDialog::onChannelIndexOrDataChanged);

    instrumentsComboBox->setModel(m_instrumentsModel);

    for (QSpinBox *box : {programSpinBox, bankMSBSpinBox, bankLSBSpinBox})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &MidiSynthDialog::onAnySpinBoxValueChanged);

    const QByteArray geometry = m_store ? m_store->value(midiSynthDialogGeometryKey()).toByteArray() : QByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            move(available.width() / 2 - width() / 2, (available.height() / 2 - height() / 2) / 2);
        }
    }

    updateSoundBankLabel();
}

MidiSynthDialog::~MidiSynthDialog()
{
    if (m_store)
        m_store->setValue(midiSynthDialogGeometryKey(), saveGeometry());
}

void MidiSynthDialog::setSynth(MidiSynth *synth)
{
    m_synth = synth;
    m_channelsModel->setSynth(synth);
    m_instrumentsModel->setSynth(synth);
    updateSoundBankLabel();
}

void MidiSynthDialog::updateSoundBankLabel()
{
    channelsView->reset();
    channelsView->resizeColumnToContents(0);
    instrumentsComboBox->view()->reset();
    // Makes channel 1 current, which loads it into the widgets.
    channelsView->selectionModel()->setCurrentIndex(
        m_channelsModel->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    soundBankLabel->setText(m_synth ? m_synth->soundBankName() : tr("(no sound bank)"));
}

int MidiSynthDialog::currentChannel() const
{
    const QModelIndex current = channelsView->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void MidiSynthDialog::onChannelIndexOrDataChanged(const QModelIndex &index)
{
    if (!index.isValid() || index.row() != currentChannel())
        return;
    const int channel = index.row();
    const MidiInstrumentId id = m_synth ? m_synth->channelInstrument(channel) : 0;
    const int position = m_synth ? m_synth->instrumentIndex(id) : -1;
    channelsView->viewport()->update();

    quint8 bankMsb = 0, bankLsb = 0, program = 0;
    midiInstrumentNumbers(id, &bankMsb, &bankLsb, &program);
    // What the synthesizer answers is shown, never sent back to it.
    {
        const QSignalBlocker blocker(instrumentsComboBox);
        instrumentsComboBox->setCurrentIndex(position);
    }
    {
        const QSignalBlocker blocker(programSpinBox);
        programSpinBox->setValue(program + 1);
    }
    {
        const QSignalBlocker blocker(bankMSBSpinBox);
        bankMSBSpinBox->setValue(bankMsb);
    }
    {
        const QSignalBlocker blocker(bankLSBSpinBox);
        bankLSBSpinBox->setValue(bankLsb);
    }
}

void MidiSynthDialog::on_instrumentsComboBox_currentIndexChanged(int index)
{
    const int channel = currentChannel();
    if (m_synth && channel >= 0)
        m_synth->setChannelInstrument(channel, m_synth->instrument(index));
}

void MidiSynthDialog::onAnySpinBoxValueChanged()
{
    const int channel = currentChannel();
    if (m_synth && channel >= 0)
        m_synth->setChannelInstrument(channel, midiInstrumentId(quint8(bankMSBSpinBox->value()),
                                                                quint8(bankLSBSpinBox->value()),
                                                                quint8(programSpinBox->value() - 1)));
}

void MidiSynthDialog::on_resetButton_clicked()
{
    if (m_synth)
        m_synth->resetToDefaultSoundBank();
}
