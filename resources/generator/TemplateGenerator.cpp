// Writes the template every new document starts from: the document's
// defaults, one instrument, and a loop of two nodes with a voice group, so a
// new document plays as soon as an instrument port is chosen.
// Run: QT_QPA_PLATFORM=offscreen vorma_template_generator resources/template.vrm

#include "Qmd/QmdMemModel.h"
#include "QmdVorma/QmdVormaController.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>

#include <cstdio>

namespace {

void settle()
{
    for (int pass = 0; pass < 20; ++pass)
        QCoreApplication::sendPostedEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <template file>\n", argv[0]);
        return 2;
    }
    QmdMemModel model;
    QmdVormaController controller;
    controller.setModel(&model);
    controller.requestAddInstrument();
    settle();

    const qint64 principal = 665280;
    QmdItemId first = 0;
    QmdItemId second = 0;
    controller.requestAddNode(QmdVorma::TickPoint(2 * principal, 2 * principal), {}, QmdRequestOptions(), &first);
    controller.requestAddNode(QmdVorma::TickPoint(4 * principal, 3 * principal), {}, QmdRequestOptions(), &second);
    settle();
    controller.requestAddEdge(controller.elementIndex(first), controller.elementIndex(second), QmdVorma::EdgePath(0));
    controller.requestAddEdge(controller.elementIndex(second), controller.elementIndex(first), QmdVorma::EdgePath(0));
    controller.requestAddVoiceGroup(controller.elementIndex(first));
    settle();

    bool saved = false;
    QObject::connect(&controller, &QmdDocController::fileSaved, [&saved] { saved = true; });
    controller.requestSave(QString::fromLocal8Bit(argv[1]));
    settle();
    if (!saved) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
