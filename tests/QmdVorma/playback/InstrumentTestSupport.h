#ifndef TESTS_QMDVORMA_INSTRUMENTTESTSUPPORT_H
#define TESTS_QMDVORMA_INSTRUMENTTESTSUPPORT_H

#include "QmdVorma/VormaTestSupport.h"

#include "MidiTestSupport.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "QmdVorma/playback/MidiInstrument.h"

#include <QBitArray>
#include <QStringList>

// An instrument entry as a document stores it.
struct InstrumentEntry
{
    QString port;
    QList<int> channels{0}; // 0 is MIDI channel 1
    bool programChange = false;
    int program = 1;
    int bankMsb = 0;
    int bankLsb = 0;
};

inline QBitArray channelBits(const QList<int> &channels)
{
    QBitArray bits(16);
    for (int c : channels)
        bits.setBit(c);
    return bits;
}

// Writes the entry under `Instruments` before the document is attached and
// returns its id.
inline QmdItemId addInstrumentEntry(VormaDocument &doc, const InstrumentEntry &entry)
{
    using namespace QmdVorma;
    QmdItemId id = 0;
    doc.write([&](QmdDirectModelInterface &d) {
        d.setTypeIfInvalid(Keys::Instruments, Qmd::IntDict);
        const QmdIndex instruments = d.index(Keys::Instruments);
        id = d.addType(Qmd::StrDict, instruments);
        doc.model.setData(QHash<QString, QVariant>{{Keys::Type, QStringLiteral("midi")},
                                                   {Keys::MidiPort, entry.port},
                                                   {Keys::MidiChannels, channelBits(entry.channels)},
                                                   {Keys::MidiDoProgramChange, entry.programChange},
                                                   {Keys::MidiProgram, entry.program},
                                                   {Keys::MidiBankMSB, entry.bankMsb},
                                                   {Keys::MidiBankLSB, entry.bankLsb}},
                          d.index(id, instruments));
    });
    return id;
}

// The controller's thread for the instrument.
inline MidiInstrument *instrumentThread(QmdVormaController &controller, QmdItemId id)
{
    return qobject_cast<MidiInstrument *>(controller.instruments().value(id));
}

// What the fake port received, one send per entry, as hex ("90 3c 64").
inline QStringList sentHex(const ScopedFakeMidi &midi, const QString &port, int from = 0)
{
    QStringList hex;
    const auto sent = midi->sentMessages(port);
    for (int i = from; i < sent.size(); ++i)
        hex << QByteArray(reinterpret_cast<const char *>(sent[i].bytes.data()), int(sent[i].bytes.size()))
                   .toHex(' ');
    return hex;
}

// The document's clock playing and the instrument with it, as the transport
// starts them.
inline void startPlaying(QmdVormaController &controller, AbstractInstrument *instrument)
{
    controller.sync()->setPlaying(true);
    instrument->play();
}

#endif
