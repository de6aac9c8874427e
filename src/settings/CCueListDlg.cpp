#include "settings/CCueListDlg.h"

#include "model/ParameterTable.h"
#include "program/CControllerApp.h"
#include "program/CCueEngine.h"
#include "ui/CWindowQuestions.h"
#include "ui/NoticeWindow.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kProgressSteps = 1000;

QString NumberText(double number) {
    return QString::number(number, 'g', 10);
}

QString FadeText(int tenths) {
    return QString::number(tenths / 10.0, 'f', 1);
}

QString PathText(CuePath path) {
    return path == CuePath::Around ? QStringLiteral("Around") : QStringLiteral("Straight");
}

QString GroupText(std::size_t group) {
    const std::string_view name = GroupName(static_cast<ParameterGroup>(group));
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString ChannelsText(std::bitset<8> channels) {
    if (channels.all()) {
        return QStringLiteral("All");
    }
    QStringList numbers;
    for (std::size_t c = 0; c < channels.size(); ++c) {
        if (channels[c]) {
            numbers << QString::number(c + 1);
        }
    }
    return numbers.join(QLatin1Char(' '));
}

QString GroupsText(std::bitset<Cue::kGroups> groups) {
    if (groups.all()) {
        return QStringLiteral("All");
    }
    QStringList names;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (groups[g]) {
            names << GroupText(g);
        }
    }
    return names.join(QStringLiteral(", "));
}

QString CueTitle(const Cue& cue) {
    const QString number = NumberText(cue.number);
    return cue.name.empty() ? number : number + QLatin1Char(' ') + QString::fromStdString(cue.name);
}

QPushButton* AddButton(QWidget* parent, QLayout* layout, const QString& text, const char* name,
                       const QString& description) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
    button->setAccessibleDescription(description);
    // Return in the list or a field must never press a button, least of all GO.
    button->setAutoDefault(false);
    layout->addWidget(button);
    return button;
}

} // namespace

CCueListDlg::CCueListDlg(CControllerApp& program, QWidget& mainWindow)
    : QDialog(&mainWindow), m_cues(program.Cues()) {
    setObjectName(QStringLiteral("CCueListDlg"));
    setWindowTitle(QStringLiteral("Cue List"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("CueState"));
    m_state->setAccessibleName(QStringLiteral("Live and standby cues"));
    layout->addWidget(m_state);

    m_table = new QTableWidget(0, 6, this);
    m_table->setObjectName(QStringLiteral("CueTable"));
    m_table->setAccessibleName(QStringLiteral("Cues"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Number"), QStringLiteral("Name"),
                                        QStringLiteral("Fade (s)"), QStringLiteral("Path"),
                                        QStringLiteral("Channels"), QStringLiteral("Groups")});
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setMinimumSize(560, 200);
    layout->addWidget(m_table);
    connect(m_table, &QTableWidget::itemChanged, this, &CCueListDlg::ItemEdited);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &CCueListDlg::UpdateButtons);
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!Selected()) {
            return;
        }
        QMenu menu(this);
        FillCueMenu(menu);
        menu.exec(m_table->viewport()->mapToGlobal(at));
    });

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("FadeProgress"));
    m_progress->setAccessibleName(QStringLiteral("Fade progress"));
    m_progress->setRange(0, kProgressSteps);
    layout->addWidget(m_progress);

    // Firing: GO large and first, its key written under it.
    auto* fireRow = new QHBoxLayout;
    auto* goColumn = new QVBoxLayout;
    m_go = AddButton(this, goColumn, QStringLiteral("GO"), "GoButton",
                     QStringLiteral("Fires the cue standing by (Ctrl+Return)"));
    QFont bold = m_go->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    m_go->setFont(bold);
    m_go->setMinimumHeight(40);
    auto* goKey = new QLabel(QStringLiteral("GO: Ctrl+Return"), this);
    goKey->setObjectName(QStringLiteral("GoKey"));
    goColumn->addWidget(goKey);
    fireRow->addLayout(goColumn);
    QPushButton* back = AddButton(this, fireRow, QStringLiteral("&Back"), "BackButton",
                                  QStringLiteral("Fires the cue before the live one"));
    QPushButton* stop = AddButton(this, fireRow, QStringLiteral("S&top"), "StopButton",
                                  QStringLiteral("Freezes the running fade where it stands"));
    fireRow->addStretch();
    layout->addLayout(fireRow);
    // Space and Return on a focused GO or Back are swallowed: a show must not fire by a
    // stray key.
    m_go->installEventFilter(this);
    back->installEventFilter(this);
    m_fireButtons = {m_go, back};
    connect(m_go, &QPushButton::clicked, &m_cues, &CCueEngine::Go);
    connect(back, &QPushButton::clicked, &m_cues, &CCueEngine::Back);
    connect(stop, &QPushButton::clicked, &m_cues, &CCueEngine::Stop);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, &m_cues, &CCueEngine::Go);
    }

    // Editing the list.
    auto* editRow = new QHBoxLayout;
    QPushButton* record =
        AddButton(this, editRow, QStringLiteral("&Record"), "RecordButton",
                  QStringLiteral("Records the current values as a new cue after the selected one"));
    QPushButton* update =
        AddButton(this, editRow, QStringLiteral("&Update"), "UpdateButton",
                  QStringLiteral("Records the current values into the selected cue"));
    QPushButton* remove = AddButton(this, editRow, QStringLiteral("&Delete"), "DeleteButton",
                                    QStringLiteral("Deletes the selected cue"));
    QPushButton* up = AddButton(this, editRow, QStringLiteral("Move U&p"), "MoveUpButton",
                                QStringLiteral("Moves the selected cue up"));
    QPushButton* down = AddButton(this, editRow, QStringLiteral("Move Do&wn"), "MoveDownButton",
                                  QStringLiteral("Moves the selected cue down"));
    m_cueButton = AddButton(this, editRow, QStringLiteral("&Cue"), "CueMenuButton",
                            QStringLiteral("Path, channels and groups of the selected cue"));
    auto* cueMenu = new QMenu(m_cueButton);
    connect(cueMenu, &QMenu::aboutToShow, this, [this, cueMenu] {
        cueMenu->clear();
        FillCueMenu(*cueMenu);
    });
    m_cueButton->setMenu(cueMenu);
    m_needSelection = {update, remove, up, down, m_cueButton};
    layout->addLayout(editRow);
    connect(record, &QPushButton::clicked, this, &CCueListDlg::Record);
    connect(update, &QPushButton::clicked, this, [this] { EditList(&CCueEngine::Update, 0); });
    connect(remove, &QPushButton::clicked, this, [this] { EditList(&CCueEngine::Delete, 0); });
    connect(up, &QPushButton::clicked, this, [this] { EditList(&CCueEngine::MoveUp, -1); });
    connect(down, &QPushButton::clicked, this, [this] { EditList(&CCueEngine::MoveDown, 1); });

    // What Record takes; nothing ticked in a row means all of it.
    auto* scope = new QGroupBox(QStringLiteral("Record scope (none ticked: all)"), this);
    scope->setObjectName(QStringLiteral("RecordScope"));
    auto* scopeLayout = new QVBoxLayout(scope);
    auto* channelRow = new QHBoxLayout;
    channelRow->addWidget(new QLabel(QStringLiteral("Channels:"), scope));
    for (std::size_t c = 0; c < m_recordChannels.size(); ++c) {
        auto* box = new QCheckBox(QString::number(c + 1), scope);
        box->setObjectName(QStringLiteral("RecordChannel%1").arg(c + 1));
        box->setAccessibleName(QStringLiteral("Record channel %1").arg(c + 1));
        channelRow->addWidget(box);
        m_recordChannels[c] = box;
    }
    channelRow->addStretch();
    scopeLayout->addLayout(channelRow);
    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(new QLabel(QStringLiteral("Groups:"), scope));
    for (std::size_t g = 0; g < m_recordGroups.size(); ++g) {
        auto* box = new QCheckBox(GroupText(g), scope);
        box->setObjectName(QStringLiteral("RecordGroup%1").arg(g));
        box->setAccessibleName(QStringLiteral("Record group ") + GroupText(g));
        groupRow->addWidget(box);
        m_recordGroups[g] = box;
    }
    groupRow->addStretch();
    scopeLayout->addLayout(groupRow);
    layout->addWidget(scope);

    auto* fileRow = new QHBoxLayout;
    QPushButton* open = AddButton(this, fileRow, QStringLiteral("&Open..."), "OpenShowButton",
                                  QStringLiteral("Replaces the list by a show file's cues"));
    QPushButton* save = AddButton(this, fileRow, QStringLiteral("Save &As..."), "SaveShowButton",
                                  QStringLiteral("Saves the list as a show file"));
    fileRow->addStretch();
    QPushButton* close = AddButton(this, fileRow, QStringLiteral("Close"), "CloseButton",
                                   QStringLiteral("Closes the window"));
    layout->addLayout(fileRow);
    connect(open, &QPushButton::clicked, this, &CCueListDlg::OpenShow);
    connect(save, &QPushButton::clicked, this, &CCueListDlg::SaveShow);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    connect(&m_cues, &CCueEngine::listChanged, this, &CCueListDlg::ShowList);
    connect(&m_cues, &CCueEngine::stateChanged, this, &CCueListDlg::ShowState);
    connect(&m_cues, &CCueEngine::progressed, this, [this](double progress) {
        m_progress->setValue(static_cast<int>(std::lround(progress * kProgressSteps)));
    });
    ShowList();
    // The bar moves only with the fade, so after Stop it stays where the fade froze.
    m_progress->setValue(static_cast<int>(std::lround(m_cues.Progress() * kProgressSteps)));
    m_table->setFocus();
}

CCueListDlg::~CCueListDlg() {
    // The table outlives this part of the window and tells of its last edit and selection
    // while it goes.
    m_table->disconnect(this);
}

std::optional<std::size_t> CCueListDlg::Selected() const {
    const QList<QTableWidgetItem*> items = m_table->selectedItems();
    if (items.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(items.front()->row());
}

std::optional<int> CCueListDlg::FadeTenthsFromText(const QString& text) {
    bool number = false;
    QString trimmed = text.trimmed();
    trimmed.replace(QLatin1Char(','), QLatin1Char('.'));
    const double seconds = trimmed.toDouble(&number);
    if (!number || !std::isfinite(seconds)) {
        return std::nullopt;
    }
    const double tenths = std::round(seconds * 10);
    return static_cast<int>(std::clamp(tenths, 0.0, double(Cue::kMaxFadeTenths)));
}

bool CCueListDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_fireButtons.contains(watched) &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Select || key == Qt::Key_Return ||
            key == Qt::Key_Enter) {
            // Ctrl+Return still reaches the shortcut: it is matched before the key is sent.
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CCueListDlg::ShowList() {
    const std::optional<std::size_t> selected = Selected();
    const std::vector<Cue>& cues = m_cues.Cues();
    m_filling = true;
    m_table->setRowCount(static_cast<int>(cues.size()));
    for (std::size_t i = 0; i < cues.size(); ++i) {
        const Cue& cue = cues[i];
        const int row = static_cast<int>(i);
        const QStringList texts = {NumberText(cue.number),     QString::fromStdString(cue.name),
                                   FadeText(cue.fadeTenths),   PathText(cue.path),
                                   ChannelsText(cue.channels), GroupsText(cue.groups)};
        for (int column = 0; column < texts.size(); ++column) {
            // Items are kept, not replaced: this runs inside the table's own edit signal.
            if (QTableWidgetItem* item = m_table->item(row, column)) {
                item->setText(texts[column]);
                continue;
            }
            auto* item = new QTableWidgetItem(texts[column]);
            if (column != NameColumn && column != FadeColumn) {
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            }
            m_table->setItem(row, column, item);
        }
    }
    m_filling = false;
    if (selected && !cues.empty()) {
        Select(std::min(*selected, cues.size() - 1));
    }
    ShowState();
}

void CCueListDlg::ShowState() {
    const std::vector<Cue>& cues = m_cues.Cues();
    const std::optional<std::size_t> live = m_cues.LiveIndex();
    const std::optional<std::size_t> standby = m_cues.StandbyIndex();
    const auto title = [&cues](std::optional<std::size_t> index) {
        return index && *index < cues.size() ? CueTitle(cues[*index]) : QStringLiteral("none");
    };
    m_state->setText(QStringLiteral("Live: %1    Standby: %2%3")
                         .arg(title(live), title(standby),
                              m_cues.Running() ? QStringLiteral("    (fading)") : QString()));
    m_filling = true;
    for (std::size_t i = 0; i < cues.size(); ++i) {
        QTableWidgetItem* item = m_table->item(static_cast<int>(i), NumberColumn);
        if (!item) {
            continue;
        }
        // A mark before the number, and words for a screen reader.
        QString mark = QStringLiteral("   ");
        QString spoken = NumberText(cues[i].number);
        if (live == i) {
            mark = QStringLiteral("\u25B6 ");
            spoken += QStringLiteral(", live");
        } else if (standby == i) {
            mark = QStringLiteral("\u25B7 ");
            spoken += QStringLiteral(", standing by");
        }
        item->setText(mark + NumberText(cues[i].number));
        item->setData(Qt::AccessibleTextRole, spoken);
    }
    m_filling = false;
    UpdateButtons();
}

void CCueListDlg::UpdateButtons() {
    const bool selected = Selected().has_value();
    for (QPushButton* button : m_needSelection) {
        button->setEnabled(selected);
    }
}

void CCueListDlg::Select(std::optional<std::size_t> index) {
    // Selecting the row again would move the current cell and close an open editor.
    if (index && *index < m_cues.Cues().size() && Selected() != index) {
        m_table->selectRow(static_cast<int>(*index));
    }
}

void CCueListDlg::ItemEdited(QTableWidgetItem* item) {
    if (m_filling) {
        return;
    }
    const std::size_t index = static_cast<std::size_t>(item->row());
    if (index >= m_cues.Cues().size()) {
        return;
    }
    Cue changed = m_cues.Cues()[index];
    if (item->column() == NameColumn) {
        changed.name = item->text().trimmed().toStdString();
    } else if (item->column() == FadeColumn) {
        const std::optional<int> tenths = FadeTenthsFromText(item->text());
        if (tenths) {
            changed.fadeTenths = *tenths;
        }
    } else {
        return;
    }
    const Cue& current = m_cues.Cues()[index];
    if (changed.name == current.name && changed.fadeTenths == current.fadeTenths) {
        ShowList(); // puts back what the cue holds over text that changed nothing
        return;
    }
    m_cues.Edit(index, changed);
}

void CCueListDlg::EditList(bool (CCueEngine::*edit)(std::size_t), int move) {
    const std::optional<std::size_t> row = Selected();
    if (row && (m_cues.*edit)(*row) && move != 0) {
        Select(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(*row) + move));
    }
}

void CCueListDlg::EditSelected(const std::function<void(Cue&)>& change) {
    const std::optional<std::size_t> index = Selected();
    if (!index) {
        return;
    }
    Cue changed = m_cues.Cues()[*index];
    change(changed);
    m_cues.Edit(*index, changed);
}

void CCueListDlg::FillCueMenu(QMenu& menu) {
    const std::optional<std::size_t> index = Selected();
    if (!index) {
        return;
    }
    const Cue& cue = m_cues.Cues()[*index];
    QMenu* path = menu.addMenu(QStringLiteral("&Path"));
    for (const CuePath choice : {CuePath::Straight, CuePath::Around}) {
        QAction* action = path->addAction(QLatin1Char('&') + PathText(choice));
        action->setCheckable(true);
        action->setChecked(cue.path == choice);
        connect(action, &QAction::triggered, this,
                [this, choice] { EditSelected([choice](Cue& c) { c.path = choice; }); });
    }
    QMenu* channels = menu.addMenu(QStringLiteral("&Channels"));
    for (std::size_t c = 0; c < cue.channels.size(); ++c) {
        QAction* action = channels->addAction(QStringLiteral("Channel &%1").arg(c + 1));
        action->setCheckable(true);
        action->setChecked(cue.channels[c]);
        connect(action, &QAction::triggered, this, [this, c](bool on) {
            EditSelected([c, on](Cue& changed) { changed.channels.set(c, on); });
        });
    }
    QMenu* groups = menu.addMenu(QStringLiteral("&Groups"));
    for (std::size_t g = 0; g < cue.groups.size(); ++g) {
        QAction* action = groups->addAction(GroupText(g));
        action->setCheckable(true);
        action->setChecked(cue.groups[g]);
        connect(action, &QAction::triggered, this, [this, g](bool on) {
            EditSelected([g, on](Cue& changed) { changed.groups.set(g, on); });
        });
    }
}

void CCueListDlg::Record() {
    std::bitset<8> channels;
    for (std::size_t c = 0; c < m_recordChannels.size(); ++c) {
        channels.set(c, m_recordChannels[c]->isChecked());
    }
    std::bitset<Cue::kGroups> groups;
    for (std::size_t g = 0; g < m_recordGroups.size(); ++g) {
        groups.set(g, m_recordGroups[g]->isChecked());
    }
    if (channels.none()) {
        channels.set();
    }
    if (groups.none()) {
        groups.set();
    }
    const std::optional<std::size_t> selected = Selected();
    const std::ptrdiff_t after = selected ? static_cast<std::ptrdiff_t>(*selected)
                                          : static_cast<std::ptrdiff_t>(m_cues.Cues().size()) - 1;
    if (const std::optional<std::size_t> added = m_cues.Record(after, channels, groups)) {
        Select(*added);
        // The new cue's name is a key away (F2), as the operator usually names it next.
        m_table->setCurrentCell(static_cast<int>(*added), NameColumn,
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_table->setFocus(Qt::OtherFocusReason);
    }
}

void CCueListDlg::OpenShow() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open Show"),
                                                      QString::fromStdString(m_cues.FileName()),
                                                      QStringLiteral("Shows (*.oshow)"));
    if (path.isEmpty()) {
        return;
    }
    const ShowRead read = m_cues.Open(path.toStdString());
    QStringList lines;
    if (!read.file.ok) {
        lines << QStringLiteral("The show %1 could not be opened: %2")
                     .arg(path, QString::fromStdString(read.file.reason));
    }
    for (const std::string& problem : read.problems) {
        lines << QString::fromStdString(problem);
    }
    ShowNotice(this, lines.join(QLatin1Char('\n')));
}

void CCueListDlg::SaveShow() {
    CWindowQuestions(this).SaveCuesAs(m_cues);
}
