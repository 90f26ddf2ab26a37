#include "TUSceneCreateDlg.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"
#include "TUMessage.h"
#include "TUSceneNameValidator.h"
#include "oswRemapPath.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTableWidget>

namespace {
const char *const kContext = "TUSceneCreateDlg";
constexpr int kPatternRole = Qt::UserRole;
constexpr int kPositionRole = Qt::UserRole;
const QRegularExpression kTrailing(QStringLiteral("[/ ]+$"));

void report(const char *text, const QString &arg = QString())
{
    MSG_Scope scope(kContext, text);
    if (!arg.isNull())
        scope.arg(arg);
}
} // namespace

TUSceneCreateDlg::TUSceneCreateDlg(QWidget *parent, TUDbAccess *access, const QString &environment,
                                   const QString &userName, int selectedRow)
    : QDialog(parent)
    , m_access(access)
    , m_user(userName)
    , m_selectedRow(selectedRow)
    , m_names(new QTableWidget(1, 1, this))
    , m_fileSystems(new QListWidget(this))
    , m_parentFolder(new QLineEdit(this))
    , m_folderName(new QLineEdit(QStringLiteral("scene-%1").arg(placeholder()), this))
    , m_positions(new QComboBox(this))
{
    setMinimumWidth(600);
    const dba_job_struct &job = m_access->jobRecord();
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Env: %1    Job: %2").arg(environment, job.name), this), 0, 0, 1, 3);
    grid->addWidget(new QLabel(tr("Scene Name(s)"), this), 1, 0, Qt::AlignTop);
    grid->addWidget(createNameTable(), 1, 1, 1, 2);
    grid->addWidget(new QLabel(tr("File System"), this), 2, 0, Qt::AlignTop);
    grid->addWidget(createFileSystems(), 2, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Scene Parent Folder Name"), this), 3, 0);
    grid->addWidget(m_parentFolder, 3, 1);
    auto *browse = new QPushButton(style()->standardIcon(QStyle::SP_DirIcon), QString(), this);
    browse->setObjectName(QStringLiteral("browse"));
    browse->setIconSize(QSize(32, 32));
    browse->setToolTip(tr("Choose the parent folder"));
    connect(browse, &QPushButton::clicked, this, &TUSceneCreateDlg::otherFileSelect);
    grid->addWidget(browse, 3, 2);
    grid->addWidget(new QLabel(tr("Scene Folder Name"), this), 4, 0);
    grid->addWidget(m_folderName, 4, 1);
    grid->addWidget(new QLabel(tr("Add Scenes"), this), 5, 0);
    grid->addWidget(createPositions(selectedRow >= 0), 5, 1);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
    m_parentFolder->setObjectName(QStringLiteral("parentFolder"));
    m_folderName->setObjectName(QStringLiteral("folderName"));
    for (QLineEdit *field : {m_parentFolder, m_folderName})
        connect(field, &QLineEdit::textEdited, this, &TUSceneCreateDlg::onTextChanged);

    auto *layout = new TUDialogLayout(this, tr("Create Scene"));
    layout->addLayout(grid);
    m_ok = layout->addOkCancelRow(tr("&OK"), tr("&Close"));
    m_ok->setObjectName(QStringLiteral("ok"));
    connect(m_ok, &QPushButton::clicked, this, &TUSceneCreateDlg::ok);
    enableOK();
    if (!job.isOpen())
        report(QT_TRANSLATE_NOOP("TUSceneCreateDlg", "You must select an environment and a job before creating a scene."));
}

QWidget *TUSceneCreateDlg::createNameTable()
{
    m_names->setObjectName(QStringLiteral("names"));
    m_names->horizontalHeader()->hide();
    m_names->verticalHeader()->hide();
    m_names->setColumnWidth(0, 200);
    m_names->horizontalHeader()->setStretchLastSection(true);
    m_names->verticalHeader()->setDefaultSectionSize(20);
    m_names->setShowGrid(false);
    m_names->setStyleSheet(QStringLiteral("QTableWidget QLineEdit{ padding: 0px; }  "));
    m_names->setItem(0, 0, new QTableWidgetItem);
    connect(m_names, &QTableWidget::currentCellChanged, this, &TUSceneCreateDlg::addScene);
    connect(m_names, &QTableWidget::cellChanged, this, &TUSceneCreateDlg::putSceneToLeft);
    return m_names;
}

QWidget *TUSceneCreateDlg::createFileSystems()
{
    m_fileSystems->setObjectName(QStringLiteral("fileSystems"));
    m_fileSystems->setMaximumHeight(120);
    for (const QString &pattern : m_access->sceneDirPatternList()) {
        auto *item = new QListWidgetItem(oswRemapPath::RemapPath2(pattern), m_fileSystems);
        item->setData(kPatternRole, pattern);
    }
    connect(m_fileSystems, &QListWidget::itemSelectionChanged, this, &TUSceneCreateDlg::fileSystemSelected);
    return m_fileSystems;
}

QWidget *TUSceneCreateDlg::createPositions(bool sceneSelected)
{
    m_positions->setObjectName(QStringLiteral("positions"));
    m_positions->addItem(tr("At Bottom"), int(DBA_SceneOps::AddAtBottom));
    m_positions->addItem(tr("At Top"), int(DBA_SceneOps::AddAtTop));
    if (sceneSelected) {
        m_positions->addItem(tr("Before Selected"), int(DBA_SceneOps::AddBefore));
        m_positions->addItem(tr("After Selected"), int(DBA_SceneOps::AddAfter));
    }
    m_positions->addItem(tr("Name Sort"), int(DBA_SceneOps::AddSorted));
    const int initial = TUDbAccess::dba_scene_create_sort_pos();
    const int wanted = initial == DBA_SceneOps::AddAtTop || initial == DBA_SceneOps::AddSorted ? initial
                                                                                               : int(DBA_SceneOps::AddAtBottom);
    m_positions->setCurrentIndex(m_positions->findData(wanted));
    return m_positions;
}

void TUSceneCreateDlg::addScene(int row, int, int, int)
{
    // There is always one empty row below the last name to type into.
    if (row == m_names->rowCount() - 1 && !m_names->item(row, 0)->text().trimmed().isEmpty()) {
        m_names->insertRow(m_names->rowCount());
        m_names->setItem(m_names->rowCount() - 1, 0, new QTableWidgetItem);
    }
}

void TUSceneCreateDlg::putSceneToLeft(int row, int column)
{
    QTableWidgetItem *item = m_names->item(row, column);
    if (!item)
        return;
    // Names are taken without the blanks around them.
    if (item->text() != item->text().trimmed())
        item->setText(item->text().trimmed());
    addScene(row, column, row, column);
    enableOK();
}

QStringList TUSceneCreateDlg::names() const
{
    QStringList list;
    for (int row = 0; row < m_names->rowCount(); ++row) {
        const QTableWidgetItem *item = m_names->item(row, 0);
        if (item && !item->text().trimmed().isEmpty())
            list << item->text().trimmed();
    }
    return list;
}

void TUSceneCreateDlg::enableOK()
{
    m_ok->setEnabled(!names().isEmpty());
}

void TUSceneCreateDlg::fileSystemSelected()
{
    const QList<QListWidgetItem *> selected = m_fileSystems->selectedItems();
    if (selected.isEmpty())
        return;
    const QString path = TUDbAccess::buildStandardScenePath(selected.first()->data(kPatternRole).toString(),
                                                            m_access->jobRecord().name, placeholder());
    const int cut = path.lastIndexOf(QLatin1Char('/'));
    m_filling = true;
    m_parentFolder->setText(oswRemapPath::RemapPath2(path.left(cut)));
    m_folderName->setText(path.mid(cut + 1));
    m_filling = false;
    m_pathTyped = false;
}

void TUSceneCreateDlg::onTextChanged()
{
    if (m_filling)
        return;
    m_pathTyped = true;
    m_fileSystems->clearSelection();
}

void TUSceneCreateDlg::otherFileSelect()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Scene Parent Folder Name"), m_parentFolder->text());
    if (folder.isEmpty())
        return;
    m_parentFolder->setText(folder);
    onTextChanged();
}

QString TUSceneCreateDlg::chosenFileSystem() const
{
    QList<QListWidgetItem *> selected = m_fileSystems->selectedItems();
    if (selected.isEmpty() && m_fileSystems->count() == 1)
        selected << m_fileSystems->item(0);
    if (selected.isEmpty())
        return QString();
    return selected.first()->data(kPatternRole).toString().remove(kTrailing);
}

bool TUSceneCreateDlg::checkFileSystem(const QString &fileSystem) const
{
    if (m_pathTyped)
        return true;
    if (fileSystem.isEmpty()) {
        report(QT_TRANSLATE_NOOP("TUSceneCreateDlg", "Please enter a File System."));
        return false;
    }
    if (!QFileInfo(oswRemapPath::RemapPath2(fileSystem)).isDir()) {
        report(QT_TRANSLATE_NOOP("TUSceneCreateDlg", "File System %1, Not Found."), fileSystem);
        return false;
    }
    return true;
}

bool TUSceneCreateDlg::checkNames(const QStringList &list) const
{
    for (const QString &name : list) {
        if (list.count(name) > 1) {
            report(QT_TRANSLATE_NOOP("TUSceneCreateDlg", "Scene %1 appears more that once in the dialog."), name);
            return false;
        }
        if (m_access->isSceneExists(m_access->jobRecord(), name)) {
            report(QT_TRANSLATE_NOOP("TUSceneCreateDlg", "Scene %1 already exists in the database."), name);
            return false;
        }
        if (TUSceneNameValidator::computeState(name, 1) != QValidator::Acceptable) {
            MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUSceneCreateDlg",
                                                  "Invalid scene name (%1).\nThe maximum number of ascii characters is "
                                                  "%2.\nValid characters are: alphanumeric, underscore (_), dash (-) "
                                                  "and dot (.).\nSuggesting %3."))
                .arg(name)
                .arg(TUSceneNameValidator::validDatabaseNameLength() - 1)
                .arg(TUSceneNameValidator::suggestion(name));
            return false;
        }
    }
    if (list.isEmpty()) {
        report(QT_TRANSLATE_NOOP("TUSceneCreateDlg", "Please enter at least one scene name."));
        return false;
    }
    return true;
}

bool TUSceneCreateDlg::checkFolder(const QString &folder, int count)
{
    if (count > 1 && !folder.contains(placeholder())) {
        QMessageBox::warning(this, tr("Could not create scenes"),
                             tr("When creating multiple scenes, the Scene Folder Name must contain:\n%1")
                                 .arg(placeholder()));
        return false;
    }
    const QString escaped = QRegularExpression::escape(placeholder());
    const QRegularExpression rule(QStringLiteral("^[a-zA-Z0-9\\(\\)_-]*(%1)?[a-zA-Z0-9\\(\\)_-]*$").arg(escaped));
    if (!rule.match(m_folderName->text()).hasMatch()) {
        report(QT_TRANSLATE_NOOP("TUSceneCreateDlg",
                                 "Invalid Scene Folder Name (%1).\nValid characters are: alphanumeric, parentheses, "
                                 "underscore (_) and dash (-), around at most one {sceneName}."),
               m_folderName->text());
        return false;
    }
    return true;
}

int TUSceneCreateDlg::position() const
{
    const QVariant value = m_positions->currentData(kPositionRole);
    return value.isValid() ? value.toInt() : int(DBA_SceneOps::AddAtBottom);
}

void TUSceneCreateDlg::ok()
{
    const QString fileSystem = chosenFileSystem();
    const QStringList list = names();
    const QString folder = m_parentFolder->text() + QLatin1Char('/') + m_folderName->text();
    if (!m_access->jobRecord().isOpen() || !checkFileSystem(fileSystem) || !checkNames(list)
        || !checkFolder(folder, list.size()))
        return;
    int created = 0;
    TUMessage::instance().suspendReport(true);
    for (const QString &name : list) {
        QString path = folder;
        path.replace(placeholder(), name);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool done = m_access->dba_CreateScene(m_access->jobRecord(), name, m_user,
                                                    fileSystem.isEmpty() ? m_parentFolder->text() : fileSystem, path,
                                                    position(), m_selectedRow, 1);
        QApplication::restoreOverrideCursor();
        if (!done) {
            MSG_Scope(kContext, MSG_Text(m_access->lastErrorText()));
            report(QT_TRANSLATE_NOOP("TUSceneCreateDlg", "Could not create scene %1\n Creation stopped.\n Check log for "
                                                         "errors."),
                   name);
            break;
        }
        ++created;
    }
    TUMessage::instance().suspendReport(false);
    if (created > 0)
        emit sceneCreated();
    if (created == list.size()) {
        // accept() closes without a close event, so the window hears of it here.
        emit sceneCreateDlgClosing();
        accept();
    }
}

void TUSceneCreateDlg::closeWindow()
{
    close();
}

void TUSceneCreateDlg::closeEvent(QCloseEvent *event)
{
    emit sceneCreateDlgClosing();
    QDialog::closeEvent(event);
}
