#include "ui/CRecoveryList.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kEntryRole = Qt::UserRole;
constexpr int kDamagedRole = Qt::UserRole + 1;

QString Question(const std::vector<CRecoveryList::Entry>& entries) {
    if (entries.size() == 1) {
        return QStringLiteral("Orbis ended without saving the changes to %1. Restore them?")
            .arg(entries.front().document);
    }
    return QStringLiteral("Orbis ended without saving the changes to %1 documents. Restore one "
                          "of them here, or discard those you no longer need; the others stay "
                          "for the next start.")
        .arg(entries.size());
}

} // namespace

CRecoveryList::CRecoveryList(const QString& notes, const std::vector<Entry>& entries,
                             Restorer restore, Discarder discard, QWidget* parent)
    : QDialog(parent), m_restore(std::move(restore)), m_discard(std::move(discard)) {
    setObjectName(QStringLiteral("RecoveryQuestion"));
    setWindowTitle(QStringLiteral("Orbis: Unsaved Changes"));

    m_text = new QLabel(notes.isEmpty() ? Question(entries) : notes + "\n\n" + Question(entries));
    m_text->setObjectName(QStringLiteral("RecoveryText"));
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("RecoveryList"));
    m_list->setAccessibleName(QStringLiteral("Unsaved changes"));
    m_list->setAccessibleDescription(m_text->text());
    m_list->setHeaderLabels({QStringLiteral("Document"), QStringLiteral("Last changed")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(false);
    const QLocale locale;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto* item = new QTreeWidgetItem(
            m_list,
            {entries[i].document, locale.toString(entries[i].lastChanged, QLocale::ShortFormat)});
        item->setData(0, kEntryRole, static_cast<int>(i));
    }
    m_list->setCurrentItem(m_list->topLevelItem(0));

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("RecoveryStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->hide();

    auto* buttons = new QDialogButtonBox;
    m_restoreButton = buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::AcceptRole);
    m_discardButton =
        buttons->addButton(QStringLiteral("&Discard"), QDialogButtonBox::DestructiveRole);
    QPushButton* discardAll =
        buttons->addButton(QStringLiteral("Discard &All"), QDialogButtonBox::DestructiveRole);
    QPushButton* keep =
        buttons->addButton(QStringLiteral("&Keep for Later"), QDialogButtonBox::RejectRole);
    m_restoreButton->setObjectName(QStringLiteral("Restore"));
    m_discardButton->setObjectName(QStringLiteral("Discard"));
    discardAll->setObjectName(QStringLiteral("DiscardAll"));
    keep->setObjectName(QStringLiteral("KeepAll"));
    m_restoreButton->setAccessibleDescription(
        QStringLiteral("Restores the selected changes into this window"));
    discardAll->setAccessibleDescription(QStringLiteral("Discards every entry of the list"));
    keep->setAccessibleDescription(
        QStringLiteral("Closes this window; the changes are offered again at the next start"));
    m_restoreButton->setDefault(true);
    // The buttons act themselves: the box's accepted() would close the window on Restore
    // even when the journal turns out damaged.
    connect(m_restoreButton, &QPushButton::clicked, this, &CRecoveryList::RestoreSelected);
    connect(m_discardButton, &QPushButton::clicked, this, &CRecoveryList::DiscardSelected);
    connect(discardAll, &QPushButton::clicked, this, &CRecoveryList::DiscardAll);
    connect(keep, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CRecoveryList::UpdateButtons);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &CRecoveryList::RestoreSelected);
    auto* discardKey = new QAction(m_list);
    discardKey->setShortcut(QKeySequence::Delete);
    discardKey->setShortcutContext(Qt::WidgetShortcut);
    connect(discardKey, &QAction::triggered, this, &CRecoveryList::DiscardSelected);
    m_list->addAction(discardKey);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    // One entry needs no more than a line of the list.
    if (entries.size() == 1) {
        m_list->setMaximumHeight(m_list->sizeHintForRow(0) * 2 +
                                 m_list->header()->sizeHint().height() + 2 * m_list->frameWidth());
    }
    resize(560, entries.size() == 1 ? sizeHint().height() : 380);
    m_list->setFocus();
    UpdateButtons();
}

QString CRecoveryList::Text() const {
    return m_text->text();
}

void CRecoveryList::UpdateButtons() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    m_restoreButton->setEnabled(selected.size() == 1 &&
                                !selected.front()->data(0, kDamagedRole).toBool());
    m_discardButton->setEnabled(!selected.isEmpty());
}

void CRecoveryList::RestoreSelected() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.size() != 1 || selected.front()->data(0, kDamagedRole).toBool()) {
        return;
    }
    QTreeWidgetItem* item = selected.front();
    const QString failure = m_restore(item->data(0, kEntryRole).toInt());
    if (failure.isEmpty()) {
        accept();
        return;
    }
    item->setData(0, kDamagedRole, true);
    item->setText(0, QStringLiteral("%1 (damaged)").arg(item->text(0)));
    m_status->setText(failure);
    m_status->show();
    m_list->setAccessibleDescription(failure);
    UpdateButtons();
}

void CRecoveryList::DiscardSelected() {
    for (QTreeWidgetItem* item : m_list->selectedItems()) {
        m_discard(item->data(0, kEntryRole).toInt());
        delete item;
    }
    if (m_list->topLevelItemCount() == 0) {
        accept();
        return;
    }
    m_list->setCurrentItem(m_list->currentItem() ? m_list->currentItem() : m_list->topLevelItem(0));
    UpdateButtons();
}

void CRecoveryList::DiscardAll() {
    m_list->selectAll();
    DiscardSelected();
}
