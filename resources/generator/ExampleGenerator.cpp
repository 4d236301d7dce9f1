// Writes the example documents offered by File > Open Example: small
// networks, each showing one thing the program does.
// Run: QT_QPA_PLATFORM=offscreen vorma_example_generator Examples

#include "Qmd/QmdMemModel.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QVector>

#include <cstdio>
#include <functional>

namespace Keys = QmdVorma::Keys;

namespace {

constexpr qint64 Principal = 665280;

void settle()
{
    for (int pass = 0; pass < 20; ++pass)
        QCoreApplication::sendPostedEvents();
}

// One document under construction; positions are in principals.
class Example
{
public:
    // The examples are laid out from (0, 0) to about (7, 7) principals; the
    // window opens on the scene origin, so they are drawn around it, at a
    // zoom that shows them whole in a first window.
    static constexpr double CentreX = 4.0;
    static constexpr double CentreY = 3.5;
    static constexpr int CaptionLineLength = 48;

    Example()
    {
        m_controller.setModel(&m_model);
        m_controller.requestAddInstrument();
        settle();
        root(Keys::ZoomScale, 0.5);
    }

    QmdVormaController &controller() { return m_controller; }

    QmdItemId node(double x, double y, const QString &notes, int signalling = 0)
    {
        QmdItemId id = 0;
        m_controller.requestAddNode(at(x, y), {},
                                    QmdRequestOptions(), &id);
        settle();
        m_controller.requestSetData(Keys::Notes, notes, m_controller.elementIndex(id));
        if (signalling != 0)
            m_controller.requestSetData(Keys::SignallingMethod, signalling, m_controller.elementIndex(id));
        settle();
        return id;
    }

    void edge(QmdItemId from, QmdItemId to, QmdVorma::EdgePath path = QmdVorma::EdgePath(0))
    {
        m_controller.requestAddEdge(m_controller.elementIndex(from), m_controller.elementIndex(to), path);
        settle();
    }

    // The new group's id: the one element that was not there before.
    QmdItemId voiceGroup(QmdItemId start)
    {
        const QmdItemIdList before = m_controller.elementIds();
        m_controller.requestAddVoiceGroup(m_controller.elementIndex(start));
        settle();
        for (QmdItemId id : m_controller.elementIds()) {
            if (!before.contains(id))
                return id;
        }
        return 0;
    }

    // A text box does not wrap: the caption is broken into short lines so it
    // stays beside the network at the example's zoom.
    void text(double x, double y, const QString &caption)
    {
        QStringList lines;
        QString line;
        const QStringList words = caption.split(QLatin1Char(' '));
        for (const QString &word : words) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > CaptionLineLength) {
                lines << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        lines << line;
        m_controller.requestAddTextBox(
            at(x, y), QStringLiteral("<html><body>%1</body></html>").arg(lines.join(QStringLiteral("<br>"))));
        settle();
    }

    // Nodes at the places, each with its notes, joined in a closed loop.
    QVector<QmdItemId> loop(const QVector<QPair<int, int>> &places, const QStringList &notes)
    {
        QVector<QmdItemId> nodes;
        for (int i = 0; i < places.size(); ++i)
            nodes << node(places.at(i).first, places.at(i).second, notes.at(i));
        for (int i = 0; i < nodes.size(); ++i)
            edge(nodes.at(i), nodes.at((i + 1) % nodes.size()));
        return nodes;
    }

    void root(const QString &key, const QVariant &value)
    {
        m_controller.requestSetData(key, value);
        settle();
    }

    bool save(const QString &path)
    {
        bool saved = false;
        QObject::connect(&m_controller, &QmdDocController::fileSaved, [&saved] { saved = true; });
        m_controller.requestSave(path);
        settle();
        return saved;
    }

private:
    static QmdVorma::TickPoint at(double x, double y)
    {
        return QmdVorma::TickPoint(qint64((x - CentreX) * Principal), qint64((y - CentreY) * Principal));
    }

    QmdMemModel m_model;
    QmdVormaController m_controller;
};

// Eight nodes around a square, two voices chasing each other round it.
void ring(Example &e)
{
    e.root(Keys::Title, QStringLiteral("Ring"));
    const QVector<QPair<int, int>> places{{2, 2}, {4, 2}, {6, 2}, {6, 4}, {6, 6}, {4, 6}, {2, 6}, {2, 4}};
    const QStringList notes{QStringLiteral("C3:96:90%"), QStringLiteral("D3:80:90%"), QStringLiteral("E3:88:90%"),
                            QStringLiteral("G3:80:90%"), QStringLiteral("A3:96:90%"), QStringLiteral("G3:80:90%"),
                            QStringLiteral("E3:88:90%"), QStringLiteral("D3:80:90%")};
    const QVector<QmdItemId> nodes = e.loop(places, notes);
    e.voiceGroup(nodes.at(0));
    const QmdItemId second = e.voiceGroup(nodes.at(4));
    e.controller().requestSetData(Keys::InitialVelocity, QStringLiteral("72"), e.controller().elementIndex(second));
    e.text(2, 0.5,
           QStringLiteral("A ring of eight nodes. Two voice groups start on opposite corners and follow the "
                          "edges round, each node playing its note as a voice arrives."));
}

// A zig-zag line of nodes joined both ways; every node sends its voice along
// one outgoing edge chosen at random.
void randomWalk(Example &e)
{
    e.root(Keys::Title, QStringLiteral("Random Walk"));
    e.root(Keys::Tempo, 150u);
    const QStringList pitches{QStringLiteral("C3"), QStringLiteral("D3"), QStringLiteral("E3"), QStringLiteral("G3"),
                              QStringLiteral("A3"), QStringLiteral("C4"), QStringLiteral("D4")};
    QVector<QmdItemId> nodes;
    for (int i = 0; i < pitches.size(); ++i)
        nodes << e.node(2 + i, 3 + (i % 2), pitches.at(i) + QStringLiteral(":90:80%"), 2);
    for (int i = 0; i + 1 < nodes.size(); ++i) {
        e.edge(nodes.at(i), nodes.at(i + 1));
        e.edge(nodes.at(i + 1), nodes.at(i));
    }
    e.voiceGroup(nodes.at(3));
    e.text(2, 1,
           QStringLiteral("A random walk over a pentatonic scale: each node passes the voice to one of its "
                          "neighbours, chosen at random."));
}

// Four chords in a loop, each node playing all notes of its chord at once.
void chordProgression(Example &e)
{
    e.root(Keys::Title, QStringLiteral("Chord Progression"));
    e.root(Keys::Tempo, 90u);
    const QStringList chords{QStringLiteral("[C2:80:95% C3:72:95% E3:72:95% G3:72:95%]"),
                             QStringLiteral("[A1:80:95% A2:72:95% C3:72:95% E3:72:95%]"),
                             QStringLiteral("[F1:80:95% F2:72:95% A2:72:95% C3:72:95%]"),
                             QStringLiteral("[G1:80:95% G2:72:95% B2:72:95% D3:72:95% F3:64:95%]")};
    const QVector<QPair<int, int>> places{{2, 2}, {6, 2}, {6, 4}, {2, 4}};
    const QVector<QmdItemId> nodes = e.loop(places, chords);
    e.root(Keys::ShowNodeLastNotesSent, true);
    e.voiceGroup(nodes.at(0));
    e.text(2, 0.5,
           QStringLiteral("I, vi, IV, V7: each corner plays a chord (a parallel group in brackets) for as long "
                          "as the voice takes to the next corner."));
}

// Three small loops that wait for the MIDI keyboard: C3, D3 and E3 start
// and stop them.
void midiTriggered(Example &e)
{
    e.root(Keys::Title, QStringLiteral("MIDI Triggered Pattern"));
    e.root(Keys::MidiTriggeringEnabled, true);
    const QStringList triggers{QStringLiteral("C3"), QStringLiteral("D3"), QStringLiteral("E3")};
    const QStringList patterns{QStringLiteral("(C3:100:50% C3:60:50% G3:80:50%)"),
                               QStringLiteral("(D4:90:50% F4:70:50% A4:80:50% F4:70:50%)"),
                               QStringLiteral("{E2:110:90% B2:110:90% E3:100:90%}")};
    for (int i = 0; i < triggers.size(); ++i) {
        const double y = 2 + 2 * i;
        const QmdItemId first = e.node(2, y, patterns.at(i));
        const QmdItemId second = e.node(3, y + 1, QStringLiteral("+12:64:40%"));
        e.edge(first, second);
        e.edge(second, first);
        const QmdItemId group = e.voiceGroup(first);
        e.controller().requestSetData(Keys::TriggeringMidiPitchList, triggers.at(i),
                                      e.controller().elementIndex(group));
        settle();
    }
    e.text(5, 2,
           QStringLiteral("MIDI triggering is on: choose an entry port in the preferences, then play C3, D3 "
                          "or E3 on a MIDI keyboard to start or stop one of the three patterns."));
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <examples folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QList<QPair<QString, std::function<void(Example &)>>> examples{
        {QStringLiteral("Ring"), ring},
        {QStringLiteral("Random Walk"), randomWalk},
        {QStringLiteral("Chord Progression"), chordProgression},
        {QStringLiteral("MIDI Triggered Pattern"), midiTriggered},
    };
    for (const auto &example : examples) {
        Example e;
        example.second(e);
        const QString path = folder.filePath(example.first + QStringLiteral(".vrm"));
        if (!e.save(path)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
