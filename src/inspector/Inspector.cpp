#include "inspector/Inspector.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/ElementTypeNames.h"
#include "QmdVorma/InstrumentsModel.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/ScaleKeysModel.h"
#include "QmdVorma/ScaleModesModel.h"
#include "QmdVorma/StylePresets.h"
#include "inspector/CCListEdit.h"
#include "inspector/CCListEditScrollArea.h"
#include "inspector/FlashingValidator.h"
#include "inspector/InspectedWindow.h"
#include "inspector/InstrumentsView.h"
#include "inspector/VerticalGraphicsListView.h"
#include "midi/MidiPortNames.h"
#include "widgets/ApplicationServices.h"
#include "widgets/SqueezedTextCheckBox.h"

#include <QAbstractSpinBox>
#include <QBitArray>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QGraphicsLinearLayout>
#include <QGroupBox>
#include <QLabel>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QTimeLine>
#include <QVBoxLayout>

#include <algorithm>

namespace Keys = QmdVorma::Keys;

namespace {

enum ElementType { EdgeType = 1, NodeType = 2, TextBoxType = 3, VoiceGroupType = 4 };

// The width the pages were drawn for.
constexpr int DesignWidth = 290;

const QmdController::UnbindActions UnbindAll = QmdController::UnbindRemoveBinding
                                               | QmdController::UnbindResetProperty
                                               | QmdController::UnbindDisconnect;

// One widget property bound to one key, as the pages list them.
struct PageBinding
{
    QObject *widget;
    const char *property;
    const char *notifySignal;
    QString key;
    QVariant defaultValue;
    QVariant mixedValue;
    const char *undoText;
};

QVariant unsignedZero()
{
    return QVariant(0u);
}

QString buttonStyleSheet(bool first)
{
    return QStringLiteral("QPushButton {     background-image: url(:/images/Inspector/InspectPageButtonNormal.png);"
                          "     border-style: none;")
           + (first ? QStringLiteral("border-width: 0px 0px 0px 0px;")
                    : QStringLiteral("border-width: 0px 0px 0px 1px;"
                                     "border-image: url(:/images/Inspector/InspectPageButtonSeparator.png);"))
           + QStringLiteral("}QPushButton:pressed {     background-image: "
                            "url(:/images/Inspector/InspectPageButtonPressed.png);}QPushButton:checked {     "
                            "background-image: url(:/images/Inspector/InspectPageButtonSelected.png);}");
}

QString chooserTabRule(const QString &state, const char *position, const char *slices)
{
    const QString base = QStringLiteral("Chooser::tab:%1").arg(QLatin1String(position));
    const QString selector = state == QLatin1String("Normal") ? base : base + QLatin1Char(':') + state.toLower();
    return QStringLiteral("%1 { border-image: url(:/images/ChooserSmall%2%3.png) %4; }")
        .arg(selector, state, QLatin1String(position == QLatin1String("first")    ? "First"
                                            : position == QLatin1String("middle") ? "Mid"
                                                                                  : "Last"),
             QLatin1String(slices));
}

QString inspectorStyleSheet()
{
    QString sheet = QStringLiteral(
        "SectionLabel { font-weight: bold; }"
        "Chooser { alignment: center; }"
        "Chooser::tab { height: 20px; border-top-width: 1px; border-bottom-width: 1px;"
        " padding-left: 9px; padding-right: 9px; }"
        "Chooser::tab:first { border-right-width: 0px; border-left-width: 2px; }"
        "Chooser::tab:middle { border-right-width: 0px; border-left-width: 1px; }"
        "Chooser::tab:last { border-right-width: 2px; border-left-width: 1px; }");
    const char *slices[][2] = {{"first", "1 0 1 2"}, {"middle", "1 0 1 1"}, {"last", "1 2 1 1"}};
    for (const QString &state : {QStringLiteral("Normal"), QStringLiteral("Hover"), QStringLiteral("Selected")}) {
        for (const auto &slice : slices)
            sheet += chooserTabRule(state, slice[0], slice[1]);
    }
    return sheet;
}

QHash<QmdIndex, QStringList> keyTable(const QmdIndexList &parents, const QString &key)
{
    QHash<QmdIndex, QStringList> table;
    table.reserve(parents.size());
    for (const QmdIndex &parent : parents)
        table.insert(parent, QStringList{key});
    return table;
}

void bindAll(QmdVormaController *controller, const QList<PageBinding> &bindings, const QmdIndexList &parents)
{
    for (const PageBinding &binding : bindings) {
        controller->bind(binding.widget, binding.property, binding.notifySignal, keyTable(parents, binding.key),
                         binding.defaultValue, binding.mixedValue,
                         binding.undoText ? Inspector::tr(binding.undoText) : QString(), Qmd::RequestFlags());
    }
}

bool sameColour(const QVariant &a, const QVariant &b)
{
    const QColor x = a.value<QColor>();
    const QColor y = b.value<QColor>();
    return x.isValid() && y.isValid() && x.rgba() == y.rgba();
}

// The preset whose colours the document holds; empty when they are no
// preset's.
QString heldStylePreset(const QmdVormaController &controller)
{
    const QStringList names = QmdVormaController::stylePresetNames();
    for (const QString &name : names) {
        QmdVorma::StylePreset preset;
        if (!QmdVorma::stylePreset(name, &preset))
            continue;
        bool held = true;
        for (auto colour = preset.cbegin(); held && colour != preset.cend(); ++colour)
            held = sameColour(controller.data(colour.key()), colour.value());
        if (held)
            return name;
    }
    return QString();
}

} // namespace

// What tells the input and the output port lists apart.
struct Inspector::PortList
{
    VerticalGraphicsListView *box;
    QSet<QString> available;
    QmdIndex dictionary;
    const char *removalText;
    const char *creationText;
};

Inspector::Inspector(QWidget *window, QDockWidget *dock)
    : QWidget(window, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint)
    , m_dock(dock)
{
    m_selectionTimer = new QTimer(this);
    m_selectionTimer->setSingleShot(true);
    m_selectionTimer->setInterval(0);
    connect(m_selectionTimer, &QTimer::timeout, this, &Inspector::onElementSelectionChanged);
    buildUi();
    setVormaWindow(window);
}

Inspector::~Inspector()
{
    // The port check boxes live in the lists' scenes; they go before the
    // controller could be told about them.
    if (controller())
        controller()->disconnect(this);
}

QmdItemIdSet Inspector::selectedIds(int elementType) const
{
    return m_pages.value(elementType).selectedIds;
}

void Inspector::buildUi()
{
    setWindowTitle(tr("Inspector"));
    m_emptyModel = new QStandardItemModel(this);

    m_timeLine = new QTimeLine(250, this);
    m_timeLine->setUpdateInterval(10);
    connect(m_timeLine, &QTimeLine::frameChanged, this, &Inspector::setFixedHeightSlot);
    connect(m_timeLine, &QTimeLine::finished, this, &Inspector::transformFinished);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_buttonBar = new QHBoxLayout;
    m_buttonBar->setContentsMargins(0, 0, 0, 0);
    m_buttonBar->setSpacing(0);
    layout->addLayout(m_buttonBar);
    m_stack = new QStackedWidget(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack, 0);
    layout->addStretch();

    m_buttonGroup = new QButtonGroup(this);
    m_buttonGroup->setExclusive(true);
    connect(m_buttonGroup, &QButtonGroup::idClicked, this, [this](int id) { transformToPage(id); });

    m_portStyle = QStyleFactory::create(QStringLiteral("Fusion"));
    if (m_portStyle)
        m_portStyle->setParent(this);

    m_documentPage = createPage(QStringLiteral(":/images/Inspector/InspectDocument.png"), tr("Document"),
                                &m_documentButton);
    documentForm.setupUi(m_documentPage);
    m_instrumentPage = createPage(QStringLiteral(":/images/Inspector/InspectInstrument.png"), tr("Instrument"),
                                  &m_instrumentButton);
    instrumentForm.setupUi(m_instrumentPage);
    edgeForm.setupUi(createElementPage(EdgeType, QStringLiteral(":/images/Inspector/InspectEdge.png"),
                                       documentForm.totalEdgesLabel));
    nodeForm.setupUi(createElementPage(NodeType, QStringLiteral(":/images/Inspector/InspectNode.png"),
                                       documentForm.totalNodesLabel));
    voiceGroupForm.setupUi(createElementPage(VoiceGroupType,
                                             QStringLiteral(":/images/Inspector/InspectVoiceGroup.png"),
                                             documentForm.totalVoiceGroupsLabel));
    PageEntry textBoxes;
    textBoxes.countLabel = documentForm.totalTextBoxesLabel;
    m_pages.insert(TextBoxType, textBoxes);

    setupDocumentPage();
    setupInstrumentPage();
    setupEdgePage();
    setupNodePage();
    setupVoiceGroupPage();
    // The boxes fill with names of any length (scale modes, instruments,
    // ports): a long one shows partly rather than become the least width
    // of its page, which would then be squeezed and cut off its labels.
    const QList<QComboBox *> boxes = findChildren<QComboBox *>();
    for (QComboBox *box : boxes) {
        if (box->minimumContentsLength() == 0)
            box->setMinimumContentsLength(8);
    }

    setStyleSheet(inspectorStyleSheet());
    m_documentButton->setChecked(true);
    fitWidth();
    transformToPage(DocumentPage, true, true);
}

void Inspector::fitWidth()
{
    // The design width, unless a page or a controller row needs more at the
    // running font: a page squeezed below its least width cuts off texts
    // and hides choices, and the dock cannot be widened.
    int width = qMax(DesignWidth, m_stack->minimumSizeHint().width());
    CCListEditScrollArea *rows = edgeForm.ccListEditScrollArea;
    const int rowChrome = rows->verticalScrollBar()->sizeHint().width() + 2 * rows->frameWidth();
    width = qMax(width, edgeForm.ccListEdit->rowMinimumWidth() + rowChrome);
    setFixedWidth(width);
}

QWidget *Inspector::createPage(const QString &icon, const QString &toolTip, QAbstractButton **button)
{
    auto *page = new QWidget(m_stack);
    const int index = m_stack->addWidget(page);
    auto *pushButton = new QPushButton(this);
    pushButton->setFlat(true);
    pushButton->setCheckable(true);
    pushButton->setIcon(QIcon(icon));
    pushButton->setToolTip(toolTip);
    pushButton->setStyleSheet(buttonStyleSheet(index == 0));
    pushButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    pushButton->setFixedHeight(24);
    m_buttonBar->addWidget(pushButton, 0);
    m_buttonGroup->addButton(pushButton, index);
    *button = pushButton;
    return page;
}

QWidget *Inspector::createElementPage(int type, const QString &icon, QLabel *countLabel)
{
    PageEntry entry;
    entry.page = createPage(icon, QmdVorma::elementTypeName(type), &entry.button);
    entry.countLabel = countLabel;
    m_pages.insert(type, entry);
    return entry.page;
}

void Inspector::setupDocumentPage()
{
    InspectDocForm &f = documentForm;
    f.tabWidget->setCurrentWidget(f.networkTab);
    f.tempoSpinBox->setRange(1, 999);
    for (VerticalGraphicsListView *box : {f.midiInputsBox, f.midiOutputsBox}) {
        box->setStyleSheet(QStringLiteral("QWidget#%1  { background: rgb(223, 228, 234); border: 1px solid "
                                          "palette(mid); }")
                               .arg(box->objectName()));
    }
    connect(ApplicationServices::instance(), &ApplicationServices::midiInputPortsChanged, this,
            &Inspector::documentRescanMidiInputs);
    connect(ApplicationServices::instance(), &ApplicationServices::midiOutputPortsChanged, this,
            &Inspector::documentRescanMidiOutputs);
    f.presetsComboBox->clear();
    f.presetsComboBox->addItems(QmdVormaController::stylePresetNames());
}

void Inspector::setupInstrumentPage()
{
    InspectInstrumentForm &f = instrumentForm;
    f.listView->setAttribute(Qt::WA_MacShowFocusRect, false);
    f.listAddButton->setStyleSheet(QStringLiteral(
        "QPushButton {  border: 0px;  background-image: url(:/images/Inspector/ListAddNormal.png);}"
        "QPushButton:pressed {  background-image: url(:/images/Inspector/ListAddPressed.png);}"));
    f.colorButton->setIgnoreAlpha(true);
    // The channel buttons have fixed sizes: a narrower grid would cut off
    // its last columns.
    f.midiChannelsBox->setMinimumWidth(f.midiChannelsBox->maximumWidth());
    connect(ApplicationServices::instance(), &ApplicationServices::midiOutputPortsChanged, this,
            &Inspector::instrumentRescanMidiOutputs);
    instrumentRescanMidiOutputs();
}

void Inspector::setupEdgePage()
{
    InspectEdgeForm &f = edgeForm;
    const struct {
        const char *image;
        const char *toolTip;
    } paths[] = {{":images/Inspector/EdgePathCityBlock.png", QT_TR_NOOP("City block")},
                 {":images/Inspector/EdgePathCityBlockFlipped.png", QT_TR_NOOP("City block flipped")},
                 {":images/Inspector/EdgePathDirect.png", QT_TR_NOOP("Direct")}};
    f.pathChooser->setNarrowTabs(true);
    for (const auto &path : paths) {
        const int tab = f.pathChooser->addIconTab(QIcon(QString::fromLatin1(path.image)));
        f.pathChooser->setTabToolTip(tab, tr(path.toolTip));
    }
    f.ccListEditScrollArea->setFrameShape(QFrame::NoFrame);
    f.ccListEditScrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    f.ccListEditScrollArea->setAttribute(Qt::WA_MacSmallSize);
    f.ccListEditScrollArea->setStyleSheet(
        QStringLiteral("QScrollArea {  border: none;  border-top: 1px solid rgba(90, 90, 90, 127);}"));
}

void Inspector::setupNodePage()
{
    InspectNodeForm &f = nodeForm;
    f.sigMethodChooser->setDrawBase(false);
    for (const char *tab : {QT_TR_NOOP("Sequential"), QT_TR_NOOP("Parallel"), QT_TR_NOOP("Random")})
        f.sigMethodChooser->addTab(tr(tab));
    QPalette listPalette = f.edgeUsageList->palette();
    listPalette.setColor(QPalette::Base, QColor(223, 228, 234));
    f.edgeUsageList->setPalette(listPalette);
    f.edgeUsageList->setFixedHeight(44);
    f.addEdgeUsageButton->setMenu(f.edgeUsageList->addMenu());
    f.addEdgeUsageButton->setStyleSheet(
        QStringLiteral("QPushButton::menu-indicator {     image: url(:/images/AlphaPixel.png);}"));
    QPalette notesPalette = f.noteListEdit->palette();
    notesPalette.setColor(QPalette::Base, QColor(223, 228, 234));
    f.noteListEdit->setPalette(notesPalette);
    f.shuffleButton->hide();
    // Typing is one undo step from the moment the editor takes the focus.
    connect(f.noteListEdit, &NotesEdit::focusEntered, this, [this] {
        if (controller())
            controller()->mergeBindingWrites(nodeForm.noteListEdit);
    });
}

void Inspector::setupVoiceGroupPage()
{
    InspectVoiceGroupForm &f = voiceGroupForm;
    f.quantizationChooser->setDrawBase(false);
    for (const char *tab : {QT_TR_NOOP("None"), QT_TR_NOOP("Division"), QT_TR_NOOP("Principal"), QT_TR_NOOP("Beat")})
        f.quantizationChooser->addTab(tr(tab));
    f.durationEdit->setValidator(
        new FlashingValidator(QRegularExpression(QStringLiteral("([0-9]{0,4}\\.)?[0-9]{1,4}")), f.durationEdit));
}

void Inspector::setVormaWindow(QWidget *window)
{
    // The window's selection signal drives the timer, not the inspector.
    if (m_window) {
        disconnect(m_window, nullptr, this, nullptr);
        disconnect(m_window, nullptr, m_selectionTimer, nullptr);
    }
    m_window = window;
    auto *inspected = dynamic_cast<InspectedWindow *>(window);
    if (window && inspected)
        connect(window, SIGNAL(elementSelectionChanged()), m_selectionTimer, SLOT(start()));
    setController(inspected ? inspected->controller() : nullptr);
}

void Inspector::setItemModels(QAbstractItemModel *instruments, QAbstractItemModel *keys,
                              QAbstractItemModel *modes)
{
    instrumentForm.listView->setModel(instruments);
    nodeForm.instrumentComboBox->setModel(instruments);
    voiceGroupForm.instrumentComboBox->setModel(instruments);
    documentForm.keyComboBox->setModel(keys);
    voiceGroupForm.keyComboBox->setModel(keys);
    documentForm.modeComboBox->setModel(modes);
    voiceGroupForm.modeComboBox->setModel(modes);
}

void Inspector::setController(QmdVormaController *newController)
{
    if (QmdVormaController *old = controller()) {
        if (QItemSelectionModel *selection = instrumentForm.listView->selectionModel())
            selection->disconnect(this);
        setItemModels(m_emptyModel, m_emptyModel, m_emptyModel);
        unbindAll(this);
        old->disconnect(this);
        documentForm.presetsComboBox->disconnect(old);
        instrumentForm.listAddButton->disconnect(old);
    }
    QmdVormaObserver::setController(newController);
    instrumentForm.listView->setController(newController);
    edgeForm.ccListEdit->setController(newController);
    nodeForm.edgeUsageList->setController(newController);

    if (newController) {
        setItemModels(newController->instrumentsModel(), newController->scaleKeysModel(),
                      newController->scaleModesModel());
        connect(newController, &QmdVormaController::elementsAdded, this, &Inspector::onElementsAdded);
        connect(newController, &QmdVormaController::elementsRemoved, this, &Inspector::onElementsRemoved);
        connect(newController, &QmdVormaController::instrumentsAdded, this, &Inspector::onInstrumentsAddedOrRemoved);
        connect(newController, &QmdVormaController::instrumentsRemoved, this,
                &Inspector::onInstrumentsAddedOrRemoved);
        if (QItemSelectionModel *selection = instrumentForm.listView->selectionModel()) {
            connect(selection, &QItemSelectionModel::selectionChanged, this,
                    &Inspector::onInstrumentSelectionChanged);
        }
        connect(newController, &QmdController::modelReset, this, &Inspector::reset, Qt::QueuedConnection);
        connect(newController, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsChanged),
                this, [this](const QmdIndex &parent) {
                    // Comparing sixteen colours costs less than telling which
                    // root keys are colours.
                    if (parent == QmdIndex())
                        showHeldStylePreset();
                });
        QComboBox *presets = documentForm.presetsComboBox;
        connect(presets, QOverload<int>::of(&QComboBox::currentIndexChanged), newController,
                [newController, presets](int index) {
                    if (index >= 0)
                        newController->requestLoadStylePreset(presets->itemText(index));
                });
        connect(instrumentForm.listAddButton, &QPushButton::clicked, newController,
                [newController] { newController->requestAddInstrument(); });
        bindDocumentPage();
    }
    m_stack->setEnabled(newController != nullptr);
    reset();
}

void Inspector::unbindAll(QObject *root)
{
    if (controller())
        controller()->unbind(root->findChildren<QObject *>(), UnbindAll);
}

void Inspector::bindDocumentPage()
{
    InspectDocForm &f = documentForm;
    const QVariant zero(0);
    const QVariant noColour = QColor();
    const QVariant empty = QString();
    const char *spinSignal = SIGNAL(valueChanged(int));
    const char *colourSignal = SIGNAL(colorChanged(QColor));
    const char *keySignal = SIGNAL(activated(int));
    const char *finished = SIGNAL(editingFinished());
    bindAll(controller(),
            {{f.tempoSpinBox, "value", spinSignal, Keys::Tempo, zero, {}, QT_TR_NOOP("Tempo")},
             {f.principalsSpinBox, "value", spinSignal, Keys::PrincipalsToBeatsNumerator, zero, {},
              QT_TR_NOOP("Principals")},
             {f.beatsSpinBox, "value", spinSignal, Keys::PrincipalsToBeatsDenominator, zero, {}, QT_TR_NOOP("Beats")},
             {f.divsSpinBox, "value", spinSignal, Keys::DivsPerPrincipal, zero, {}, QT_TR_NOOP("Divisions")},
             {f.keyComboBox, "currentKey", keySignal, Keys::ScaleKey, unsignedZero(), {}, QT_TR_NOOP("Key")},
             {f.modeComboBox, "currentKey", keySignal, Keys::ScaleMode, unsignedZero(), unsignedZero(),
              QT_TR_NOOP("Mode")},
             {f.backgroundColorButton, "color", colourSignal, Keys::StyleBackgroundColor, noColour, {},
              QT_TR_NOOP("Background Color")},
             {f.principalLinesColorButton, "color", colourSignal, Keys::StylePrincipalLinesColor, noColour, {},
              QT_TR_NOOP("Principal Lines Color")},
             {f.principalPointsColorButton, "color", colourSignal, Keys::StylePrincipalPointsColor, noColour, {},
              QT_TR_NOOP("Principal Points Color")},
             {f.divisionLinesColorButton, "color", colourSignal, Keys::StyleDivisionLinesColor, noColour, {},
              QT_TR_NOOP("Division Lines Color")},
             {f.divisionPointsColorButton, "color", colourSignal, Keys::StyleDivisionPointsColor, noColour, {},
              QT_TR_NOOP("Division Points Color")},
             {f.annotationColorButton, "color", colourSignal, Keys::StyleAnnotationColor, noColour, {},
              QT_TR_NOOP("Annotation Color")},
             {f.nodesColorButton, "color", colourSignal, Keys::StyleNodesColor, noColour, {},
              QT_TR_NOOP("Nodes Color")},
             {f.edgesColorButton, "color", colourSignal, Keys::StyleEdgesColor, noColour, {},
              QT_TR_NOOP("Edges Color")},
             {f.authorEdit, "text", finished, Keys::Author, empty, {}, QT_TR_NOOP("Author")},
             {f.titleEdit, "text", finished, Keys::Title, empty, {}, QT_TR_NOOP("Title")},
             {f.commentsEdit, "plainText", finished, Keys::Comment, empty, {}, QT_TR_NOOP("Comments")}},
            {QmdIndex()});
}

void Inspector::bindElementPage(int type, const QmdItemIdSet &ids)
{
    QmdIndexList parents;
    parents.reserve(ids.size());
    for (QmdItemId id : ids) {
        const QmdIndex index = controller()->elementIndex(id);
        if (index.isValid())
            parents.append(index);
    }
    const QVariant zero(0);
    const QVariant none(-1);
    const QVariant empty = QString();
    const char *tabSignal = SIGNAL(currentChanged(int));
    const char *toggled = SIGNAL(toggled(bool));
    const char *keySignal = SIGNAL(activated(int));
    const char *finished = SIGNAL(editingFinished());
    if (type == EdgeType) {
        InspectEdgeForm &f = edgeForm;
        bindAll(controller(),
                {{f.pathChooser, "currentIndex", tabSignal, Keys::Path, zero, zero, QT_TR_NOOP("Path")},
                 {f.wormholeCheckBox, "checked", toggled, Keys::IsWormhole, false, false, QT_TR_NOOP("Wormhole")}},
                parents);
    } else if (type == NodeType) {
        InspectNodeForm &f = nodeForm;
        bindAll(controller(),
                {{f.sigMethodChooser, "currentIndex", tabSignal, Keys::SignallingMethod, none, none,
                  QT_TR_NOOP("Signalling")},
                 {f.noteListEdit, "plainText", SIGNAL(textChangedAndValid()), Keys::Notes, empty, empty,
                  QT_TR_NOOP("Notes")},
                 {f.muteCheckBox, "checked", toggled, Keys::DontPlayNote, false, false, QT_TR_NOOP("Mute")},
                 {f.instrumentChangeCheckBox, "checked", toggled, Keys::DoInstrumentChange, false, false,
                  QT_TR_NOOP("Instrument Change")},
                 {f.instrumentComboBox, "currentKey", keySignal, Keys::Instrument, unsignedZero(), unsignedZero(),
                  QT_TR_NOOP("Instrument")},
                 {f.userMidiMessageListEdit, "text", finished, Keys::UserMidiMessageList, empty, empty,
                  QT_TR_NOOP("Advanced MIDI")}},
                parents);
        // Consecutive writes of the notes editor to this selection are one
        // step, as a text editor groups typing.
        controller()->mergeBindingWrites(f.noteListEdit);
    } else if (type == VoiceGroupType) {
        InspectVoiceGroupForm &f = voiceGroupForm;
        bindAll(controller(),
                {{f.quantizationChooser, "currentIndex", tabSignal, Keys::TriggeringQuantization, none, none,
                  QT_TR_NOOP("Quantization")},
                 {f.midiPitchListEdit, "text", finished, Keys::TriggeringMidiPitchList, empty, empty,
                  QT_TR_NOOP("MIDI Pitch List")},
                 {f.midiVelocityScalingCheckBox, "checked", toggled, Keys::TriggeringMidiVelocityScaling, false,
                  false, QT_TR_NOOP("MIDI Velocity Scaling")},
                 {f.pitchEdit, "text", finished, Keys::InitialPitch, empty, empty, QT_TR_NOOP("Initial Pitch")},
                 {f.velocityEdit, "text", finished, Keys::InitialVelocity, empty, empty,
                  QT_TR_NOOP("Initial Velocity")},
                 {f.durationEdit, "text", finished, Keys::InitialDuration, empty, empty,
                  QT_TR_NOOP("Initial Duration")},
                 {f.instrumentComboBox, "currentKey", keySignal, Keys::InitialInstrument, unsignedZero(),
                  unsignedZero(), QT_TR_NOOP("Instrument")},
                 {f.muteCheckBox, "checked", toggled, Keys::DontPlayNote, false, false, QT_TR_NOOP("Mute")},
                 {f.useScaleCheckBox, "checked", toggled, Keys::UseScale, false, false, QT_TR_NOOP("Use Scale")},
                 {f.keyComboBox, "currentKey", keySignal, Keys::ScaleKey, unsignedZero(), unsignedZero(),
                  QT_TR_NOOP("Key")},
                 {f.modeComboBox, "currentKey", keySignal, Keys::ScaleMode, unsignedZero(), unsignedZero(),
                  QT_TR_NOOP("Mode")}},
                parents);
    }
}

int Inspector::elementType(QmdItemId id) const
{
    return controller()->elementData(id, Keys::Type).toInt();
}

void Inspector::onElementSelectionChanged()
{
    m_selectionTimer->stop();
    auto *inspected = dynamic_cast<InspectedWindow *>(m_window.data());
    if (!controller())
        return;
    const QmdItemIdSet current = inspected ? inspected->selectedElementIds() : QmdItemIdSet();
    const QmdItemIdSet added = QmdItemIdSet(current).subtract(m_selection);
    const QmdItemIdSet removed = QmdItemIdSet(m_selection).subtract(current);
    m_selection = current;

    QWidget *candidate = nullptr;
    for (QmdItemId id : added) {
        auto entry = m_pages.find(elementType(id));
        if (entry == m_pages.end())
            continue;
        entry->selectedIds.insert(id);
        if (entry->page)
            candidate = entry->page;
    }
    for (auto entry = m_pages.begin(); entry != m_pages.end(); ++entry) {
        if (!removed.isEmpty())
            entry->selectedIds.subtract(removed);
        if (!entry->page)
            continue;
        unbindAll(entry->page);
        const bool any = !entry->selectedIds.isEmpty();
        if (any)
            bindElementPage(entry.key(), entry->selectedIds);
        entry->page->setEnabled(any);
        if (any && !candidate)
            candidate = entry->page;
    }

    // The form enables these from their check boxes, which the bindings may
    // have set with signals blocked.
    nodeForm.instrumentComboBox->setEnabled(nodeForm.instrumentChangeCheckBox->isChecked());
    const bool useScale = voiceGroupForm.useScaleCheckBox->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(voiceGroupForm.keyLabel),
                       static_cast<QWidget *>(voiceGroupForm.keyComboBox),
                       static_cast<QWidget *>(voiceGroupForm.modeLabel),
                       static_cast<QWidget *>(voiceGroupForm.modeComboBox)})
        w->setEnabled(useScale);

    const QmdItemIdSet &edges = m_pages[EdgeType].selectedIds;
    const bool oneEdge = edges.size() == 1;
    edgeForm.ccListEdit->setEnabled(oneEdge);
    edgeForm.ccListEdit->setEdge(oneEdge ? *edges.begin() : 0);
    const QmdItemIdSet &nodes = m_pages[NodeType].selectedIds;
    const bool oneNode = nodes.size() == 1;
    nodeForm.edgeUsageList->setEnabled(oneNode);
    nodeForm.addEdgeUsageButton->setEnabled(oneNode);
    nodeForm.edgeUsageList->setNode(oneNode ? *nodes.begin() : 0);

    if (candidate) {
        const int index = m_stack->indexOf(candidate);
        QAbstractButton *button = m_buttonGroup->button(index);
        if (button && !button->isChecked()) {
            button->setChecked(true);
            transformToPage(index, true, true);
        }
    }
}

void Inspector::showCount(const PageEntry &entry) const
{
    if (entry.countLabel)
        entry.countLabel->setText(QString::number(entry.allIds.size()));
}

void Inspector::onElementsAdded(const QmdItemIdList &ids)
{
    if (!controller())
        return;
    for (QmdItemId id : ids) {
        auto entry = m_pages.find(elementType(id));
        if (entry != m_pages.end())
            entry->allIds.insert(id);
    }
    for (const PageEntry &entry : qAsConst(m_pages))
        showCount(entry);
}

void Inspector::onElementsRemoved(const QmdItemIdList &ids)
{
    for (PageEntry &entry : m_pages) {
        for (QmdItemId id : ids)
            entry.allIds.remove(id);
        showCount(entry);
    }
}

void Inspector::setFixedHeightSlot(int height)
{
    setFixedHeight(height);
}

void Inspector::transformToPage(int index, bool force, bool hideWhileAnimating)
{
    if (!force && index == m_stack->currentIndex())
        return;
    m_pendingPage = m_stack->widget(index);
    if (!m_pendingPage)
        return;
    // Word-wrapped texts take more lines in a narrow inspector.
    int pageHeight = m_pendingPage->sizeHint().height();
    if (m_pendingPage->hasHeightForWidth())
        pageHeight = qMax(pageHeight, m_pendingPage->heightForWidth(width()));
    const int target = m_buttonBar->sizeHint().height() + pageHeight;
    // A dock not yet shown, or not yet in its window (which counts as
    // floating), has nothing to animate.
    if (m_dock && m_dock->isFloating() && m_dock->isVisible()) {
        m_timeLine->stop();
        m_timeLine->setFrameRange(height(), target);
        if (hideWhileAnimating)
            m_stack->hide();
        m_timeLine->start();
    } else {
        setFixedHeight(target);
        transformFinished();
    }
}

void Inspector::transformFinished()
{
    if (!m_pendingPage)
        return;
    if (m_dock)
        m_dock->setWindowTitle(m_pendingPage->windowTitle());
    m_stack->setCurrentWidget(m_pendingPage);
    m_stack->show();
    m_pendingPage = nullptr;
}

void Inspector::clearWidgets()
{
    const QList<QWidget *> widgets = findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        bool cleared = true;
        auto *lineEdit = qobject_cast<QLineEdit *>(w);
        if (lineEdit && !qobject_cast<QAbstractSpinBox *>(w->parentWidget()))
            lineEdit->setText(QString());
        else if (auto *plain = qobject_cast<QPlainTextEdit *>(w))
            plain->setPlainText(QString());
        else if (auto *spin = qobject_cast<QSpinBox *>(w))
            spin->setValue(spin->minimum());
        else if (auto *doubleSpin = qobject_cast<QDoubleSpinBox *>(w))
            doubleSpin->setValue(doubleSpin->minimum());
        else if (auto *button = qobject_cast<QAbstractButton *>(w); button && button->isCheckable()
                                                                    && !m_buttonGroup->buttons().contains(button))
            button->setChecked(false);
        else if (auto *combo = qobject_cast<QComboBox *>(w))
            combo->setCurrentIndex(0);
        else if (w->metaObject()->indexOfProperty("color") >= 0)
            w->setProperty("color", QColor());
        else
            cleared = false;
        if (cleared)
            w->update();
        w->ensurePolished();
    }
    update();
}

void Inspector::reset()
{
    for (PageEntry &entry : m_pages) {
        entry.selectedIds.clear();
        entry.allIds.clear();
        if (entry.countLabel)
            entry.countLabel->setText(QStringLiteral("0"));
    }
    documentForm.totalInstrumentsLabel->setText(QStringLiteral("0"));
    m_selection.clear();
    if (QmdVormaController *c = controller()) {
        onElementsAdded(c->elementIds());
        onElementSelectionChanged();
        onInstrumentsAddedOrRemoved();
        onInstrumentSelectionChanged();
        documentForm.keyComboBox->setCurrentKey(c->data(Keys::ScaleKey));
        documentForm.modeComboBox->setCurrentKey(c->data(Keys::ScaleMode));
        showHeldStylePreset();
    } else {
        clearWidgets();
    }
    documentRescanMidiInputs();
    documentRescanMidiOutputs();
}

void Inspector::showHeldStylePreset()
{
    // The box follows the document, not the last choice: after an undo or a
    // colour set by hand it shows what the colours now are. Showing is not
    // choosing.
    QComboBox *presets = documentForm.presetsComboBox;
    const QSignalBlocker quiet(presets);
    presets->setCurrentIndex(controller() ? presets->findText(heldStylePreset(*controller())) : -1);
}

void Inspector::documentRescanMidiInputs()
{
    rescanPorts({documentForm.midiInputsBox, ApplicationServices::availableMidiInputPorts(),
                 controller() ? controller()->syncMidiInputsIndex() : QmdIndex(),
                 QT_TR_NOOP("Remove Offline Non-MidiSync Input Port Entry"),
                 QT_TR_NOOP("Create Midi Input Port Entry")});
}

void Inspector::documentRescanMidiOutputs()
{
    rescanPorts({documentForm.midiOutputsBox, ApplicationServices::availableMidiOutputPorts(),
                 controller() ? controller()->syncMidiOutputsIndex() : QmdIndex(),
                 QT_TR_NOOP("Remove Offline Non-MidiSync Output Port Entry"),
                 QT_TR_NOOP("Create Midi Output Port Entry")});
}

void Inspector::rescanPorts(const PortList &list)
{
    QGraphicsLinearLayout *layout = list.box->layout();
    while (layout->count() > 0) {
        QGraphicsLayoutItem *item = layout->itemAt(0);
        layout->removeAt(0);
        delete item; // the proxy deletes its check box
    }
    QmdVormaController *c = controller();
    // Without a port dictionary there is nowhere to keep the marks: writing
    // would land at the root.
    if (!c || !list.dictionary.isValid() || c->type(list.dictionary) != Qmd::StrDict) {
        list.box->updateSceneRect();
        return;
    }

    QStringList offline;
    const QmdIndexList entries = c->indexes(list.dictionary);
    for (const QmdIndex &entry : entries) {
        const QString name = entry.key();
        if (list.available.contains(name))
            continue;
        if (c->data(Keys::MidiSync, entry).toBool())
            offline.append(name);
        else
            c->requestRemove(entry, QmdRequestOptions{Qmd::NoUndo, tr(list.removalText), 0});
    }
    QStringList names = list.available.values() + offline;
    std::stable_sort(names.begin(), names.end(), comparePortNames);

    const QFont font = list.box->font();
    QPalette palette = list.box->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QColor(223, 228, 234));
    for (const QString &name : qAsConst(names)) {
        auto *box = new SqueezedTextCheckBox;
        box->setFont(font);
        box->setPalette(palette);
        if (m_portStyle)
            box->setStyle(m_portStyle);
        box->setText(QStringLiteral("%1 %2").arg(name, list.available.contains(name) ? QString() : tr("(offline)")));
        QGraphicsProxyWidget *proxy = list.box->scene()->addWidget(box);
        proxy->setMinimumHeight(18);
        proxy->setMaximumHeight(18);
        layout->addItem(proxy);
        c->requestSetTypeIfInvalid(name, Qmd::StrDict, list.dictionary,
                                   QmdRequestOptions{Qmd::NoUndo, tr(list.creationText), 0});
        const QmdIndex entry = c->index(name, list.dictionary);
        if (entry.isValid())
            c->bind(box, "checked", SIGNAL(toggled(bool)), Keys::MidiSync, entry, false, false, tr("Midi Sync"));
    }
    list.box->updateSceneRect();
}

void Inspector::onInstrumentsAddedOrRemoved()
{
    const int count = controller() ? controller()->instrumentIds().size() : 0;
    documentForm.totalInstrumentsLabel->setText(QString::number(count));
}

void Inspector::onInstrumentSelectionChanged()
{
    InspectInstrumentForm &f = instrumentForm;
    const QmdItemIdList ids = f.listView->selectedInstrumentIds();
    unbindAll(m_instrumentPage);
    f.editFrame->setEnabled(!ids.isEmpty());
    if (ids.isEmpty() || !controller())
        return;
    QmdIndexList parents;
    for (QmdItemId id : ids) {
        const QmdIndex index = controller()->instrumentIndex(id);
        if (index.isValid())
            parents.append(index);
    }
    const QVariant zero(0);
    const QVariant empty = QString();
    const QVariant noColour = QColor();
    const QVariant noChannels = QBitArray();
    const char *spinSignal = SIGNAL(valueChanged(int));
    bindAll(controller(),
            {{f.labelEdit, "text", SIGNAL(textEdited(QString)), Keys::Label, empty, empty, QT_TR_NOOP("Label")},
             {f.colorButton, "color", SIGNAL(colorChanged(QColor)), Keys::Color, noColour, noColour,
              QT_TR_NOOP("Color")},
             {f.midiPortsComboBox, "currentKey", SIGNAL(activated(int)), Keys::MidiPort, empty, empty,
              QT_TR_NOOP("MIDI Port")},
             {f.midiChannelsBox, "channels", SIGNAL(channelsChanged(QBitArray)), Keys::MidiChannels, noChannels,
              noChannels, QT_TR_NOOP("MIDI Channels")},
             {f.midiProgramChangeCheckBox, "checked", SIGNAL(toggled(bool)), Keys::MidiDoProgramChange, false, false,
              QT_TR_NOOP("MIDI Program Change")},
             {f.midiProgramChangeGroupBox, "enabled", nullptr, Keys::MidiDoProgramChange, false, false, nullptr},
             {f.midiProgramSpinBox, "value", spinSignal, Keys::MidiProgram, zero, zero, QT_TR_NOOP("MIDI Program")},
             {f.midiBankMSBSpinBox, "value", spinSignal, Keys::MidiBankMSB, zero, zero, QT_TR_NOOP("MIDI Bank MSB")},
             {f.midiBankLSBSpinBox, "value", spinSignal, Keys::MidiBankLSB, zero, zero,
              QT_TR_NOOP("MIDI Bank LSB")}},
            parents);
}

void Inspector::instrumentRescanMidiOutputs()
{
    QwpComboBox *box = instrumentForm.midiPortsComboBox;
    const QString shown = box->currentText();
    const QSignalBlocker quiet(box);
    box->clear();
    box->addKeyedItems(ApplicationServices::midiOutputPortNames());
    box->setCurrentKey(shown);
}

void Inspector::shuffleNodeNotesInSelection()
{
    if (controller())
        controller()->requestShuffleNodeNotes(m_pages.value(NodeType).selectedIds);
}

void Inspector::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    emit visibilityToggled();
}

void Inspector::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    emit visibilityToggled();
}
