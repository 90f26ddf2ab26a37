#include "TUUIMessage.h"

#include "BAPP_SharedFolders.h"
#include "BUIAPP_Application.h"
#include "MSG_Text.h"
#include "whoami.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpacerItem>

#include <cstdio>
#include <cstdlib>

namespace {

const QString Ellipsis = QStringLiteral("...");
const char TerminateText[] = QT_TRANSLATE_NOOP("TUUIMessage", "The application will terminate.");

void writeStdErr(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int lineCount(const QString &text)
{
    return 1 + text.count(QLatin1Char('\n'));
}

} // namespace

TUUIMessage::TUUIMessage(const QString &programName, bool debug, bool batch, bool baseFlag)
    : TUUIMessage(programName, debug, batch, baseFlag, Options())
{
}

TUUIMessage::TUUIMessage(const QString &programName, bool debug, bool batch, bool baseFlag, Options options)
    : TUMessage(programName, debug, baseFlag)
    , m_batch(batch)
    , m_appendLog(options.appendLog)
    , m_exitProcess(std::move(options.exitProcess))
    , m_runBox(std::move(options.runBox))
{
    if (!m_exitProcess)
        m_exitProcess = [](int status) { std::exit(status); };
    if (!m_runBox)
        m_runBox = [](QMessageBox &box) { box.exec(); };
    m_logStream.setCodec("UTF-8");
    m_trLogStream.setCodec("UTF-8");
    if (!m_batch)
        openLog();
}

TUUIMessage::~TUUIMessage()
{
    close();
}

// ---- log files ------------------------------------------------------------

void TUUIMessage::openLog()
{
    close();
    m_untranslated = tr(TerminateText) == QLatin1String(TerminateText);
    const QString base = BAPP_SharedFolders::logs() + QLatin1Char('/')
        + QString(programName()).remove(QLatin1Char(' ')) + QLatin1Char('_') + userName() + QLatin1Char('_');
    for (int number = 1; number <= LastLogNumber; ++number) {
        const QString digits = QString::asprintf("%04d", number);
        m_logFile.setFileName(base + digits + QStringLiteral(".log"));
        m_lockFile.setFileName(base + digits + QStringLiteral(".lock"));
        if (okToUseFile(m_lockFile.fileName(), m_logFile.fileName()) && openPair())
            break;
    }
    if (m_logFile.isOpen() && !m_untranslated) {
        m_trLogFile.setFileName(m_logFile.fileName() + QLatin1Char('i'));
        m_trLogFile.open(logOpenMode());
    }
    if (!m_logFile.isOpen() || (!m_untranslated && !m_trLogFile.isOpen())) {
        fatalLogFailure();
        return;
    }
    attachStreams();
    writeLockFile();
    writeHeader();
}

// A pair is free when nobody holds its lock file; a lock file left by a run
// that ended is reused. Taking the lock here keeps it for the whole run.
bool TUUIMessage::okToUseFile(const QString &lockPath, const QString &)
{
    return m_lock.tryLock(lockPath);
}

bool TUUIMessage::openPair()
{
    if (m_lockFile.open(QIODevice::WriteOnly | QIODevice::Truncate) && m_logFile.open(logOpenMode()))
        return true;
    m_lockFile.close();
    if (m_lock.createdFile())
        QFile::remove(m_lockFile.fileName());
    m_lock.unlock();
    return false;
}

QIODevice::OpenMode TUUIMessage::logOpenMode() const
{
    return QIODevice::ReadWrite | (m_appendLog ? QIODevice::Append : QIODevice::Truncate);
}

void TUUIMessage::attachStreams()
{
    m_logStream.setDevice(&m_logFile);
    if (hasTranslatedLog())
        m_trLogStream.setDevice(&m_trLogFile);
}

void TUUIMessage::writeLockFile()
{
    QTextStream lock(&m_lockFile);
    lock.setCodec("UTF-8");
    lock << QDateTime::currentDateTime().toString(Qt::TextDate) << '\n'
         << "Lock file for the log of " << programName() << '\n'
         << "User: " << userName() << '\n';
    lock.flush();
    lock.setDevice(nullptr);
    // The descriptor held by m_lock keeps the lock after this handle closes.
    m_lockFile.close();
}

void TUUIMessage::fatalLogFailure()
{
    const QString message = QStringLiteral("FATAL ERROR: Unable to open log file:") + QLatin1Char('\n')
        + m_logFile.fileName() + QLatin1Char('\n') + tr(TerminateText);
    if (m_batch) {
        writeStdErr(message.toUtf8() + '\n');
    } else {
        if (m_registeredWidget)
            m_registeredWidget->close();
        QMessageBox box(QMessageBox::Critical, programName(), message, QMessageBox::Ok, reportParent());
        m_runBox(box);
    }
    m_exitProcess(1);
}

void TUUIMessage::close()
{
    // Removed before the lock is released, so no other run takes a file that is going away.
    if (m_lock.isLocked())
        QFile::remove(m_lockFile.fileName());
    m_lock.unlock();
    m_logStream.setDevice(nullptr);
    m_trLogStream.setDevice(nullptr);
    m_logFile.close();
    m_trLogFile.close();
}

void TUUIMessage::lflush()
{
    if (!m_batch)
        flushStreams();
}

void TUUIMessage::flushStreams()
{
    if (m_logFile.isOpen())
        m_logStream.flush();
    if (hasTranslatedLog())
        m_trLogStream.flush();
}

QString TUUIMessage::logFilePath() const
{
    return m_batch ? TUMessage::logFilePath() : m_logFile.fileName();
}

QString TUUIMessage::getLogContent() const
{
    if (!m_logFile.isOpen())
        return {};
    QFile reader(m_logFile.fileName());
    if (!reader.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(reader.readAll());
}

// ---- header ---------------------------------------------------------------

void TUUIMessage::writeHeader()
{
    const QString now = QDateTime::currentDateTime().toString(Qt::TextDate);
    writeHeaderLine(QT_TR_NOOP(" Date - Time : %1\n"), now, now);
    writeHeaderLine(QT_TR_NOOP(" Application : %1\n"), programName(), programName());
    writeHeaderLine(QT_TR_NOOP(" Version : %1\n"), versionText(), versionText());
    writeHeaderLine(QT_TR_NOOP(" O/S User name : %1\n"), userName(), userName());
    writeHeaderLine(isDebugMode() ? QT_TR_NOOP(" Debug mode : ON\n") : QT_TR_NOOP(" Debug mode : OFF\n"));
    if (isDebugMode())
        writeHeaderLine(QT_TR_NOOP(" Log file : %1\n"), m_logFile.fileName(), m_trLogFile.fileName());
    lflush();
    // Headless runs show the header on the console instead of in a log window.
    if (m_batch) {
        flushStreams();
        writeStdErr(getLogContent().toUtf8());
    }
    refreshViews();
}

void TUUIMessage::writeHeaderLine(const char *format, const QString &value, const QString &translatedValue)
{
    if (m_logFile.isOpen())
        m_logStream << QString::fromLatin1(format).arg(value);
    if (hasTranslatedLog())
        m_trLogStream << tr(format).arg(translatedValue);
}

void TUUIMessage::writeHeaderLine(const char *line)
{
    if (m_logFile.isOpen())
        m_logStream << QString::fromLatin1(line);
    if (hasTranslatedLog())
        m_trLogStream << tr(line);
}

QString TUUIMessage::versionText()
{
    if (m_versionText.isEmpty())
        m_versionText = WHO_StringTable::versionInfoLine();
    return m_versionText;
}

// ---- messages -------------------------------------------------------------

void TUUIMessage::writeMessage(char type, const QString &text, const QString &translated, bool interactive)
{
    const QString stamp = timeStamp();
    if (m_batch) {
        if (isDirect() || !isSilent())
            writeStdErr(text.toUtf8() + '\n');
    } else {
        writeLogLine(type, stamp, text, translated);
    }
    const QString viewLine = getMsgTypeText(type) + stamp + translated;
    for (const QPointer<QPlainTextEdit> &view : qAsConst(m_views)) {
        if (view)
            view->appendPlainText(viewLine);
    }
    if (interactive && !m_batch && !isSilent())
        interactiveReport(type, translated, nullptr);
}

void TUUIMessage::writeLogLine(char type, const QString &stamp, const QString &text, const QString &translated)
{
    if (!m_logFile.isOpen())
        return;
    if (isDirect()) {
        m_logStream << text;
    } else {
        m_logStream << QLatin1Char(type) << stamp << text << '\n';
        if (hasTranslatedLog())
            m_trLogStream << QLatin1Char(type) << stamp << translated << '\n';
    }
    lflush();
}

void TUUIMessage::setDebugMode(bool on)
{
    TUMessage::setDebugMode(on);
    report('T', on ? MSG_Text("TUUIMessage", QT_TR_NOOP("Debug mode : ON"))
                   : MSG_Text("TUUIMessage", QT_TR_NOOP("Debug mode : OFF")), 0, false);
    if (on && !m_batch)
        report('T', MSG_Text("TUUIMessage", QT_TR_NOOP("Log file : %1")).arg(logFilePath()), 0, false);
}

// ---- log views ------------------------------------------------------------

void TUUIMessage::attachLogView(QPlainTextEdit *view)
{
    if (!view || m_views.contains(view))
        return;
    view->setPlainText(getLogContent());
    m_views.append(view);
}

void TUUIMessage::detachLogView(QPlainTextEdit *view)
{
    m_views.removeAll(view);
}

void TUUIMessage::clearLog()
{
    for (const QPointer<QPlainTextEdit> &view : qAsConst(m_views)) {
        if (view)
            view->clear();
    }
}

void TUUIMessage::refreshViews()
{
    const QString content = getLogContent();
    for (const QPointer<QPlainTextEdit> &view : qAsConst(m_views)) {
        if (view)
            view->setPlainText(content);
    }
}

// ---- report box -----------------------------------------------------------

void TUUIMessage::interactiveReport(char type, const QString &text, bool *ignoreAll)
{
    if (m_boxOpen)
        return;
    addToReport(type, text);
    if (isReportSuspended() || m_report.isEmpty())
        return;
    showReport(ignoreAll);
}

void TUUIMessage::reportResumed()
{
    if (!m_batch && !isSilent())
        interactiveReport(m_reportKind, QString(), nullptr);
}

void TUUIMessage::addToReport(char type, const QString &text)
{
    if (!text.isEmpty()) {
        const int lines = reportLineCount();
        if (lines < MaxReportLines) {
            m_report.append(text);
            if (lines + lineCount(text) > MaxReportLines)
                m_report.append(Ellipsis);
        } else if (lines == MaxReportLines) {
            m_report.append(Ellipsis);
        }
    }
    if (m_report.size() == 1 || type == 'E')
        m_reportKind = type;
    else if (type == 'T' && m_reportKind == 'I')
        m_reportKind = 'W'; // a trace among information deserves the user's attention
}

int TUUIMessage::reportLineCount() const
{
    int lines = 0;
    for (const QString &message : m_report)
        lines += lineCount(message);
    return lines;
}

QString TUUIMessage::reportText() const
{
    const bool one = m_report.size() == 1;
    QString text;
    switch (m_reportKind) {
    case 'E':
        text = one ? tr("The following error occurred:\n") : tr("The following errors occurred:\n");
        break;
    case 'W':
        text = one ? tr("The following warning occurred:\n") : tr("The following warnings occurred:\n");
        break;
    default:
        text = tr("Information:\n");
        break;
    }
    if (one)
        return text + m_report.first();
    int written = 0;
    for (const QString &message : m_report) {
        if (message == Ellipsis) {
            text += message;
        } else if (written < MaxReportLines) {
            text += QStringLiteral("\n - ") + message;
            written += lineCount(message);
        }
    }
    return text;
}

void TUUIMessage::showReport(bool *ignoreAll)
{
    const QString text = reportText();
    const QMessageBox::Icon icon = m_reportKind == 'E' ? QMessageBox::Critical
        : m_reportKind == 'W'                          ? QMessageBox::Warning
                                                       : QMessageBox::Information;
    m_report.clear();
    m_boxOpen = true;
    QMessageBox box(icon, programName(), text, QMessageBox::NoButton, reportParent());
    QPushButton *ignoreAllButton = nullptr;
    if (ignoreAll) {
        box.setDefaultButton(box.addButton(tr("Ignore"), QMessageBox::AcceptRole));
        ignoreAllButton = box.addButton(tr("Ignore All"), QMessageBox::AcceptRole);
    } else {
        box.addButton(tr("OK"), QMessageBox::AcceptRole);
    }
    holdBoxWidth(box, text);
    m_runBox(box);
    if (ignoreAll && ignoreAllButton && box.clickedButton() == ignoreAllButton)
        *ignoreAll = true;
    m_boxOpen = false;
}

QWidget *TUUIMessage::reportParent() const
{
    for (int i = m_dialogParents.size() - 1; i >= 0; --i) {
        if (m_dialogParents.at(i))
            return m_dialogParents.at(i);
    }
    if (BUIAPP_Application *app = BUIAPP_Application::instance()) {
        if (QWidget *floater = app->floaterModal())
            return floater;
    }
    if (m_registeredWidget && m_registeredWidget->isVisible())
        return m_registeredWidget;
    return nullptr;
}

// QMessageBox sizes itself narrowly; a spacer as wide as the wrapped text
// (at most 640 pixels at the interface scale) keeps long reports readable.
void TUUIMessage::holdBoxWidth(QMessageBox &box, const QString &text) const
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    const double scale = box.logicalDpiX() / 96.0;
    const QRect area(0, 0, int(640 * scale) - 1, 199);
    const int width = box.fontMetrics().boundingRect(area, Qt::TextWordWrap, text).width() + 1;
    // The width is the text's own: held in the text's column (the icon has
    // the first), with room for the label's margins, so no line wraps early.
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    const int index = label ? grid->indexOf(label) : -1;
    if (index < 0)
        return;
    int row, column, rows, columns;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    const QMargins margins = label->contentsMargins();
    grid->addItem(new QSpacerItem(width + margins.left() + margins.right(), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Expanding),
                  grid->rowCount(), column, 1, columns);
}

void TUUIMessage::pushDialogParent(QWidget *parent)
{
    m_dialogParents.append(parent);
}

void TUUIMessage::popDialogParent()
{
    if (!m_dialogParents.isEmpty())
        m_dialogParents.removeLast();
}
