#include "TUMoveScene.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"
#include "TUMessage.h"
#include "UT_Path.h"
#include "oswRemapPath.h"
#include "oswUtil.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTreeWidget>

namespace {
const char *const kContext = "TUMoveScene";
const QRegularExpression kTrailing(QStringLiteral("[/ ]+$"));

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// Bytes under folder, links not followed; -1 when the folder cannot be read.
qint64 folderBytes(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return -1;
    qint64 bytes = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isSymLink())
            bytes += it.fileInfo().size();
    }
    return bytes;
}

QString withoutTrailingSeparator(QString path)
{
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}
} // namespace

TUMoveScene::TUMoveScene(QWidget *parent, TUDbAccess *access, dba_job_struct *job, const QStringList &selectedScenes)
    : QDialog(parent)
    , m_access(access)
    , m_job(job)
    , m_scenes(new QTreeWidget(this))
    , m_total(new QLabel(QStringLiteral("0"), this))
    , m_fileSystems(new QListWidget(this))
    , m_other(new QLineEdit(this))
{
    setMinimumWidth(800);
    m_scenes->setObjectName(QStringLiteral("scenes"));
    m_scenes->setColumnCount(5);
    m_scenes->header()->hide();
    m_scenes->setRootIsDecorated(false);
    m_scenes->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const int widths[] = {200, 250, 75, 75, 0};
    for (int column = 0; column < 5; ++column)
        m_scenes->setColumnWidth(column, widths[column]);
    m_scenes->setColumnHidden(ExactSize, true);
    m_total->setObjectName(QStringLiteral("total"));
    m_fileSystems->setObjectName(QStringLiteral("fileSystems"));
    m_fileSystems->setMaximumHeight(120);
    m_other->setObjectName(QStringLiteral("other"));
    connect(m_scenes, &QTreeWidget::itemSelectionChanged, this, &TUMoveScene::reCalculate);
    connect(m_fileSystems, &QListWidget::itemSelectionChanged, this, &TUMoveScene::fileSystemSelected);

    auto *calculateButton = new QPushButton(tr("&Calculate"), this);
    connect(calculateButton, &QPushButton::clicked, this, QOverload<>::of(&TUMoveScene::calculate));
    auto *browse = new QPushButton(style()->standardIcon(QStyle::SP_DirIcon), QString(), this);
    browse->setFixedWidth(browse->iconSize().boundedTo(QSize(100, 100)).width() + 16);
    connect(browse, &QPushButton::clicked, this, &TUMoveScene::otherFileSelect);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Select scene(s) to move"), this), 2, 0, Qt::AlignTop);
    grid->addWidget(m_scenes, 2, 1, 1, 2);
    auto *totalRow = new QHBoxLayout;
    totalRow->addWidget(m_total);
    totalRow->addWidget(new QLabel(tr(" MByte(s)"), this));
    totalRow->addSpacing(20);
    totalRow->addWidget(calculateButton);
    totalRow->addStretch();
    grid->addWidget(new QLabel(tr("Space required for \nselected scene(s):"), this), 5, 0);
    grid->addLayout(totalRow, 5, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Move Scene(s) to:"), this), 6, 0, Qt::AlignTop);
    grid->addWidget(m_fileSystems, 6, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Other"), this), 7, 0);
    grid->addWidget(m_other, 7, 1);
    grid->addWidget(browse, 7, 2);
    grid->setColumnStretch(1, 1);

    auto *layout = new TUDialogLayout(this, tr("Move Scene"));
    layout->setContentsMargins(7, 7, 7, 7);
    layout->addLayout(grid);
    QPushButton *ok = layout->addOkCancelRow(tr("&OK"), tr("&Cancel"));
    ok->setObjectName(QStringLiteral("ok"));
    connect(ok, &QPushButton::clicked, this, &TUMoveScene::moveScene);
    fill(selectedScenes);
    calculate(true);
    fillFileSystems();
}

void TUMoveScene::fill(const QStringList &chosen)
{
    DBC_Table &table = m_job->scene();
    m_scenes->blockSignals(true);
    for (bool row = table.first(); row; row = table.next()) {
        auto *item = new QTreeWidgetItem(m_scenes, {table.data(DBC_Table::Name).toString(),
                                                    table.data(DBC_Table::FileSystem).toString()});
        item->setSelected(chosen.contains(item->text(Name)));
    }
    m_scenes->blockSignals(false);
}

void TUMoveScene::fillFileSystems()
{
    for (const QString &pattern : m_access->sceneDirPatternList()) {
        QString info;
        oswUtil::getDiskInfo(oswRemapPath::RemapPath2(pattern), info, m_required);
        m_fileSystems->addItem(QStringLiteral("%1 %2").arg(pattern, info));
    }
    if (m_fileSystems->count() > 0)
        m_fileSystems->setCurrentRow(0);
}

QString TUMoveScene::sizeText(double megabytes)
{
    const QString whole = QString::asprintf("%.0f", megabytes);
    return whole == QLatin1String("0") && megabytes > 0 ? QStringLiteral("< 1") : whole;
}

bool TUMoveScene::sizeRow(int row)
{
    QTreeWidgetItem *item = m_scenes->topLevelItem(row);
    dba_scene_struct scene;
    if (m_access->dba_OpenScene(item->text(Name), *m_job, scene) != 0) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUMoveScene", "Scene not found in database.\n"));
        item->setText(Size, QStringLiteral("?"));
        return false;
    }
    const qint64 bytes = folderBytes(oswRemapPath::RemapPath2(scene.path));
    m_access->dba_CloseScene(scene);
    if (bytes < 0) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUMoveScene", "ParseDirs Problem to get the directory size\n"));
        item->setText(Size, QStringLiteral("?"));
        return false;
    }
    const double megabytes = double(bytes) / 1048576.0;
    item->setText(ExactSize, QString::number(megabytes, 'g', 6));
    item->setText(Size, sizeText(megabytes));
    item->setText(Unit, tr(" MByte(s)"));
    return true;
}

void TUMoveScene::calculate(bool atStart)
{
    WaitCursor wait;
    if (m_scenes->topLevelItemCount() == 0) {
        m_required = -1;
        if (!atStart)
            MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUMoveScene", "Please select one or more scenes\n"));
        m_total->setText(QStringLiteral("0"));
        return;
    }
    double total = 0;
    for (int row = 0; row < m_scenes->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = m_scenes->topLevelItem(row);
        if (!item->isSelected())
            continue;
        if (item->text(ExactSize).isEmpty())
            sizeRow(row);
        total += item->text(ExactSize).toDouble();
    }
    m_required = float(total);
    m_total->setText(sizeText(total));
}

void TUMoveScene::calculate()
{
    calculate(false);
}

void TUMoveScene::reCalculate()
{
    calculate(true);
}

void TUMoveScene::cancel()
{
    close();
}

void TUMoveScene::fileSystemSelected()
{
    const QListWidgetItem *item = m_fileSystems->currentItem();
    if (!item)
        return;
    const int open = item->text().indexOf(QStringLiteral(" ("));
    if (open >= 0)
        m_other->setText(item->text().left(open).trimmed());
    else
        m_other->setText(QStringLiteral("%1/%2/").arg(item->text().trimmed(), m_job->name));
}

void TUMoveScene::otherFileSelect()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Other Filesystem"), m_other->text());
    if (!folder.isEmpty())
        m_other->setText(folder);
}

bool TUMoveScene::mayMove()
{
    if (!TUDialogLayout::rootAccessConfirmed(this,
                                             tr("You need root permission to move scenes --\n")
                                                 + tr("please contact your supervisor or TD.\n")
                                                 + tr("Press \"Move\" if you are sure it will succeed.\n"),
                                             tr("Move")))
        return false;
    if (!m_access->hasUserPermissionModifyScene()) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUMoveScene",
                                              "You do not have the permission necessary to move scenes --\nplease "
                                              "contact your supervisor or TD to change your user type\nor to move the "
                                              "scenes\n"));
        return false;
    }
    return true;
}

QString TUMoveScene::destination()
{
    QString path = m_other->text().trimmed();
    if (path.isEmpty() && m_fileSystems->currentItem())
        path = m_fileSystems->currentItem()->text().section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    path.remove(kTrailing);
    m_other->setText(path);
    return path;
}

bool TUMoveScene::checkDestination(const QString &path)
{
    const QString local = oswRemapPath::RemapPath2(path);
    if (!m_access->dbaMkdir(path)) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUMoveScene", "Could no create destination path %1.")).arg(path);
        return false;
    }
    QString info;
    oswUtil::getDiskInfo(local, info, m_required);
    if (m_required > oswUtil::freeMegabytesOf(info)) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUMoveScene", "Not enough space available in %1.")).arg(path);
        return false;
    }
    return true;
}

void TUMoveScene::moveScene()
{
    if (!mayMove())
        return;
    QString path = destination();
    if (path.isEmpty()) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUMoveScene", "Please select a file system."));
        return;
    }
    path = UT_Path(path).GetPath();
    calculate(false);
    if (m_required < 0 || !checkDestination(path))
        return;
    for (int row = 0; row < m_scenes->topLevelItemCount(); ++row) {
        if (m_scenes->topLevelItem(row)->isSelected())
            moveRow(row, path);
    }
}

void TUMoveScene::moveRow(int row, const QString &destination)
{
    const QTreeWidgetItem *item = m_scenes->topLevelItem(row);
    const QString name = item->text(Name);
    dba_scene_struct scene;
    if (m_access->dba_OpenScene(name, *m_job, scene) != 0) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUMoveScene", "Can't read scene %1 from Database.")).arg(name);
        return;
    }
    m_access->dba_CloseScene(scene);
    const QString current = withoutTrailingSeparator(item->text(FileSystem));
    if (oswRemapPath::UnmapPath(oswRemapPath::RemapPath2(current))
        == oswRemapPath::UnmapPath(oswRemapPath::RemapPath2(destination))) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUMoveScene", "Scene %1 is already in File System %2."))
            .arg(name)
            .arg(destination);
        return;
    }
    const QString target = TUDbAccess::buildStandardScenePath(destination, m_job->name, name);
    if (QFileInfo::exists(oswRemapPath::RemapPath2(target))
        && TUDialogLayout::ask(this, tr("Confirm"),
                               tr("The directory \"%1\" already exists.\nAll files in this directory will be "
                                  "overwritten.\nDo you want to continue to move scene \"%2\" ?")
                                   .arg(target, name),
                               {tr("Continue"), tr("Cancel")}, 1)
            != 0)
        return;
    bool moved = false;
    {
        WaitCursor wait;
        TUMessage::instance().suspendReport(true);
        moved = m_access->dba_moveScene(*m_job, name, destination);
        TUMessage::instance().suspendReport(false);
    }
    if (!moved)
        MSG_Scope(kContext, MSG_Text(m_access->lastErrorText()));
    // The caller refreshes its table; the other chosen scenes still move.
    done(0);
}
