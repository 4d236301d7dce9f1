#include "QmdVorma/playback/MidiSynthWorker.h"

#include "midi/MidiInput.h"

MidiSynthWorker::MidiSynthWorker() = default;

MidiInstrumentId MidiSynthWorker::channelInstrument(int channel) const
{
    return channel >= 0 && channel < 16 ? m_channelInstruments[channel] : 0;
}

void MidiSynthWorker::onMidiInputReadyRead(MidiInput *input)
{
    if (!input)
        return;
    for (const MidiInputMessage &m : input->takeMessages()) {
        if (m.bytes.size() < 2)
            continue;
        const quint8 status = m.bytes.at(0);
        if (status >= 0xB0 && status <= 0xCF) {
            const int channel = status & 0x0F;
            // Without an engine every instrument is none.
            m_channelInstruments[channel] = 0;
            emit instrumentChanged(channel, 0);
        }
    }
}
