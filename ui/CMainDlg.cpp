// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CMainDlg.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

#include "app/AnalysisReport.h"
#include "app/DroppedFile.h"
#include "foundation/StringTable.h"
#include "ui/Announcement.h"
#include "ui/AppIcon.h"
#include "ui/CAboutDlg.h"
#include "ui/CDescrDlg.h"
#include "ui/CImgViewCtrl.h"
#include "ui/ControlIds.h"
#include "ui/ImageLayer.h"
#include "ui/MessageText.h"
#include "ui/ResultSpeech.h"

namespace vestiscop::ui {

namespace {

// The dialog's own message for saving a scan after the scan's handler has
// returned: the first user message plus 0x101.
const QEvent::Type SaveScanEvent = static_cast<QEvent::Type>(QEvent::User + 0x101);
// A message the scanner source posted from its thread.
const QEvent::Type SourceEvent = static_cast<QEvent::Type>(QEvent::User + 0x102);

class SourceMessageEvent : public QEvent {
public:
    explicit SourceMessageEvent(const scanner::SourceMessage& message) : QEvent(SourceEvent), m_message(message) {}
    const scanner::SourceMessage& message() const { return m_message; }

private:
    scanner::SourceMessage m_message;
};

} // namespace

QEvent::Type CMainDlg::saveScanEventType()
{
    return SaveScanEvent;
}

CMainDlg::CMainDlg(app::Application& application, WindowingServices& services)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                           | Qt::WindowCloseButtonHint),
      m_app(application),
      m_services(services),
      m_session(std::make_unique<app::ScanSession>(application, static_cast<app::ScanListener&>(*this),
                                                   app::ScanSession::Signature::Kept))
{
    setWindowTitle(QStringLiteral("Vestiscop"));
    setWindowIcon(appIcon());
    createControls();
    createView();
    qApp->installEventFilter(this);
    startScanner();
    m_scannerReady = m_scanButton->isEnabled();
    m_scanTimer = new QTimer(this);
    m_scanTimer->setSingleShot(true);
    connect(m_scanTimer, &QTimer::timeout, this, [this] { m_session->timeOut(); });
    m_arrivalTimer = new QTimer(this);
    m_arrivalTimer->setSingleShot(true);
    connect(m_arrivalTimer, &QTimer::timeout, this, [this] { arriveAtColorField(StopoverMilliseconds); });
    // A confirmation said on the name list is said once: when the list
    // loses the focus it describes its garment again.
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (old == m_nameList)
            QTimer::singleShot(0, this, [this] { describeNameList(); });
        if (now == m_nameList)
            nameListFocused(old);
    });
    setAcceptDrops(true);
    if (!m_app.general().extendedUI)
        narrowToTextSide();
    fillNameList();
    updateButtons();
    // Without a scanner the Scan button cannot take the focus; the user
    // then starts at the first control instead of nowhere.
    if (m_scanButton->isEnabled())
        m_scanButton->setFocus();
    else
        m_colorField->setFocus();
}

CMainDlg::~CMainDlg()
{
    // The controls' own teardown moves the focus; this part is gone by then.
    disconnect(m_focusWatch);
    qApp->removeEventFilter(this);
    // The scanner stops while the window it posts to and tells still exists.
    m_session.reset();
}

void CMainDlg::startScanner()
{
    // A failure is reported as the session's event.
    if (!m_session->start(this))
        m_scanButton->setEnabled(false);
}

void CMainDlg::scanEvent(const app::ScanEvent& event)
{
    using Kind = app::ScanEvent::Kind;
    switch (event.kind) {
    case Kind::Acquired:
        m_rested = restedOnIndicator();
        break;
    case Kind::Analysed:
        showViews();
        break;
    case Kind::Matched:
        showMatch(event.slot, event.similarity);
        break;
    case Kind::SaveDue:
        // Saved once the handler that brought the image has returned.
        QCoreApplication::postEvent(this, new QEvent(SaveScanEvent));
        break;
    case Kind::Saved:
        break;
    case Kind::Cancelled:
        scanCancelled();
        break;
    case Kind::TimedOut:
        // Told once the user is back on the colour field.
        m_app.reportError(*event.error, app::MessageIcon::Exclamation);
        break;
    case Kind::Failed:
        // A failure after the analyser took the image over has released the
        // pixels the layers may be showing: show what is left, nothing.
        if (event.stage == app::ScanEvent::Stage::Analysis)
            showViews();
        m_app.reportError(*event.error, app::MessageIcon::Exclamation);
        break;
    case Kind::Ended:
        scanEnded();
        break;
    }
}

void CMainDlg::narrowToTextSide()
{
    m_divider->hide();
    m_view->hide();
    for (QRadioButton* radio : m_viewButtons)
        radio->hide();
    m_viewGroup->hide();
    setFixedWidth(m_divider->geometry().right() + 1);
}

void CMainDlg::updateButtons()
{
    const int slot = selectedSlot();
    m_addButton->setEnabled(m_currentScan != nullptr);
    m_correctButton->setEnabled(slot >= 0 && m_currentScan != nullptr);
    m_deleteButton->setEnabled(slot >= 0);
}

void CMainDlg::showResults(std::unique_ptr<imaging::RgbImage> image)
{
    m_rested = restedOnIndicator();
    m_session->analyse(std::move(image));
}

void CMainDlg::showMatch(int slot, double slotSimilarity)
{
    const analysis::ScanResult& result = m_session->result();
    m_currentScan = &result.record;
    m_matchIndex = slot;
    m_similarity = slotSimilarity;
    m_nameList->setCurrentIndex(positionOfSlot(m_matchIndex));
    const QString similarity =
        m_matchIndex != -1 ? QString::fromStdString(app::similarityText(m_similarity)) : QString();
    m_similarityLabel->setText(similarity);
    describeNameList();
    updateButtons();

    std::string colors;
    for (const std::string& line : app::colorFieldLines(result.colors, m_app.color().reportThr, m_app.borderTerms())) {
        if (!colors.empty())
            colors += '\n';
        colors += line;
    }
    const QString match = m_matchIndex != -1
                              ? QString::fromStdString(m_app.catalog().name(m_matchIndex)) + ' ' + similarity
                              : text(foundation::stringId::UnknownGarment);
    const std::vector<std::string> spoken = spokenColors(result.colors, m_app.color().reportThr, m_app.borderTerms());
    m_answer[0] = QString::fromStdString(colors);
    const std::string pattern = app::patternText(result.pattern, result.findings);
    m_answer[1] = QString::fromStdString(pattern);
    for (std::size_t skipped : {1, 0})
        m_answer[3 - skipped] =
            QString::fromStdString(analysisAnnouncement(spoken, skipped, pattern, match.toStdString()));
    m_answerPending = true;
    m_arrivalNote.clear();
    // The indicator counts as heard for the time the window answered the
    // screen reader's questions about it, which it does not while it
    // analyses.
    arriveAtColorField(m_rested);
}

long long CMainDlg::restedOnIndicator() const
{
    return m_busyIndicator->isVisible() && focusWidget() == m_busyIndicator ? m_busySince.elapsed() : -1;
}

void CMainDlg::arriveAtColorField(long long rested)
{
    if (screenReaderListens()) {
        if (const int wait = stopoverLeft(rested); wait > 0) {
            m_arrivalTimer->start(wait);
            return;
        }
        if (m_answerPending
            && answerRoute(focusWidget() == m_colorField, toolkitAnnounces()) == AnswerRoute::Stopover) {
            showBusy(text(foundation::stringId::OpeningPicture));
            m_arrivalTimer->start(StopoverMilliseconds);
            return;
        }
    }
    m_arrivalTimer->stop();
    // The focus first: a field whose text changes before it gets the focus
    // is taken by the screen reader as already read, and nothing is said.
    const bool focusArrives = focusWidget() != m_colorField;
    if (focusArrives && (m_answerPending || focusWidget() == m_busyIndicator))
        m_colorField->setFocus();
    m_busyIndicator->hide();
    if (m_answerPending)
        writeAnswer(focusArrives);
    if (!m_arrivalNote.isEmpty())
        announce(m_colorField, std::exchange(m_arrivalNote, QString()));
}

void CMainDlg::writeAnswer(bool focusArrives)
{
    m_answerPending = false;
    m_colorField->setPlainText(m_answer[0]);
    m_patternField->setPlainText(m_answer[1]);
    m_colorField->moveCursor(QTextCursor::Start);
    // The rest of the answer, read with the field after its first line; a
    // field that has the focus already has the whole answer announced.
    m_colorField->setAccessibleDescription(m_answer[2]);
    if (!focusArrives)
        announce(m_colorField, m_answer[3]);
}

void CMainDlg::showBusy(const QString& words)
{
    m_busyIndicator->setText(words);
    m_busyIndicator->setAccessibleName(words);
    m_busyIndicator->show();
    m_busyIndicator->setFocus();
    m_busySince.start();
}

void CMainDlg::showViews()
{
    const color::AnalysisViews& views = m_session->result().views;
    for (int i = 0; i < 4; ++i) {
        const color::ViewImage& view = views.slots[static_cast<std::size_t>(i)];
        ImageLayer& layer = *m_layers[i];
        if (view.rgb != nullptr) {
            layer.setImage(*view.rgb, false);
        } else if (view.indexed != nullptr) {
            layer.setPalette(view.palette, 0);
            layer.setImage(*view.indexed, false);
        } else {
            layer.clear();
        }
    }
    m_view->invalidate();
}

void CMainDlg::selectView(int buttonId)
{
    for (int slot = 1; slot <= 4; ++slot) {
        if (LayerEntry* entry = m_view->findLayer(slot))
            entry->visible = slot == buttonId - 1000;
    }
    m_view->invalidate();
}

void CMainDlg::openDroppedFile(const std::string& path)
{
    if (app::droppedFileKind(path) == app::DroppedFileKind::None)
        return;
    reported([&] {
        std::unique_ptr<imaging::RgbImage> image = app::loadDroppedFile(path);
        if (image)
            showResults(std::move(image));
    });
}

void CMainDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainDlg::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    const auto local = std::find_if(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
    if (local == urls.end())
        return;
    event->acceptProposedAction();
    openDroppedFile(local->toLocalFile().toStdString());
}

void CMainDlg::onScan()
{
    if (m_session->scanning() || !m_scannerReady)
        return;
    // An answer still on its way to the field is shown at once, unsaid:
    // the user has asked for the next one.
    if (m_answerPending)
        writeAnswer(true);
    if (!m_session->scan())
        return;
    // The focus moves to the scanning state, which the screen reader reads;
    // from there it comes to the colour field with the results, a change
    // of focus that is read even when the scan was started from that field.
    // It moves before Scan is disabled, or it would move on to whatever
    // follows Scan.
    showBusy(text(foundation::stringId::Scanning));
    m_scanButton->setEnabled(false);
    m_scanTimer->start(m_session->timeout());
}

void CMainDlg::scanEnded()
{
    m_scanTimer->stop();
    m_scanButton->setEnabled(m_scannerReady);
    // A scan that brought no image leaves the user on the colour field too.
    if (m_busyIndicator->isVisible() && !m_arrivalTimer->isActive())
        arriveAtColorField(restedOnIndicator());
}

void CMainDlg::scanCancelled()
{
    // Said on the way back to the colour field. The indicator keeps its
    // words: a screen reader may still be about to read them.
    if (screenReaderListens() && toolkitAnnounces()) {
        m_colorField->setAccessibleDescription(QString());
        m_arrivalNote = text(foundation::stringId::ScanCancelled);
    } else {
        m_colorField->setAccessibleDescription(text(foundation::stringId::ScanCancelled));
    }
}

void CMainDlg::keyPressEvent(QKeyEvent* event)
{
    // Esc during a scan calls the scan off; otherwise it closes the window.
    if (m_session->scanning() && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // The session ends the scan at the scanner; the source stays open
        // for the next Scan.
        m_session->cancel();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMainDlg::post(const scanner::SourceMessage& message)
{
    QCoreApplication::postEvent(this, new SourceMessageEvent(message));
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event)
{
    const void* message = nullptr;
    if (event->type() == SourceEvent)
        message = &static_cast<SourceMessageEvent*>(event)->message();
    if (m_session && m_session->offer(message))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool CMainDlg::event(QEvent* event)
{
    if (event->type() == SaveScanEvent) {
        saveScan();
        return true;
    }
    if (event->type() == SourceEvent)
        return true;  // a left-over scanner message the connection did not want
    return QDialog::event(event);
}

void CMainDlg::saveScan()
{
    // The description is asked for once the file is written.
    m_session->save([this] {
        std::string description = "?";
        if (m_app.general().askForDescr) {
            m_services.questionBeep();
            CDescrDlg dialog(this);
            if (m_services.runModal(dialog) == QDialog::Accepted)
                description = dialog.name();
        }
        return description;
    });
}

void CMainDlg::onAbout()
{
    CAboutDlg dialog(this);
    m_services.runModal(dialog);
}

} // namespace vestiscop::ui
