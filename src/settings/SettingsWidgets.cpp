#include "settings/SettingsWidgets.h"

#include "controls/CSkinButton.h"
#include "controls/CSkinLabel.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>

namespace SettingsWidgets {

namespace {

const QString kCaptionFace = QStringLiteral("Tahoma");
constexpr int kCaptionHeight = 12;

} // namespace

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void SetUpTemplate(QWidget* window, int widthUnits, int heightUnits) {
    DialogUnits::ApplyDialogFont(window);
    window->setFixedSize(DialogUnits::X(widthUnits), DialogUnits::Y(heightUnits));
}

void SetUpPositionWindow(QWidget* window, const QString& title) {
    window->setWindowTitle(title);
    window->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::NonModal);
    DialogUnits::ApplyDialogFont(window);
}

CSkinLabel* AddLabel(QWidget* parent, int id, std::string_view name, std::string_view text,
                     const DialogUnits::Rect& place) {
    auto* label = new CSkinLabel(Text(text), parent);
    Tag(label, id, name);
    label->setGeometry(DialogUnits::ToPixels(place));
    // Drawn on whatever lies below, the dialog face or a group frame.
    label->setAutoFillBackground(false);
    return label;
}

CSkinLabel* AddCaption(QWidget* parent, int id, std::string_view name, std::string_view text,
                       const DialogUnits::Rect& place) {
    CSkinLabel* label = AddLabel(parent, id, name, text, place);
    label->SetBold(true);
    label->SetHeight(kCaptionHeight);
    label->SetFaceName(kCaptionFace);
    return label;
}

CSkinButton* AddPushButton(QWidget* parent, int id, std::string_view name, std::string_view text,
                           const DialogUnits::Rect& place) {
    auto* button = new CSkinButton(SkinButtonKind::PushButton, Text(text), parent);
    Tag(button, id, name);
    button->setGeometry(DialogUnits::ToPixels(place));
    return button;
}

QComboBox* AddList(QWidget* parent, int id, std::string_view name,
                   std::initializer_list<std::string_view> entries,
                   const DialogUnits::Rect& place) {
    auto* list = new QComboBox(parent);
    Tag(list, id, name);
    for (std::string_view entry : entries) {
        list->addItem(Text(entry));
    }
    list->setCurrentIndex(-1);
    // The template's height is that of the opened list; the closed box keeps its own.
    const QRect pixels = DialogUnits::ToPixels(place);
    list->setGeometry(pixels.x(), pixels.y(), pixels.width(), list->sizeHint().height());
    list->setMaxVisibleItems(static_cast<int>(entries.size()));
    return list;
}

QWidget* AddGroup(QWidget* parent, std::string_view caption, const DialogUnits::Rect& place) {
    auto* group = new QGroupBox(Text(caption), parent);
    group->setGeometry(DialogUnits::ToPixels(place));
    group->lower();
    return group;
}

QFrame* AddSeparator(QWidget* parent, const DialogUnits::Rect& place) {
    auto* line = new QFrame(parent);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(DialogUnits::ToPixels(place));
    return line;
}

} // namespace SettingsWidgets
