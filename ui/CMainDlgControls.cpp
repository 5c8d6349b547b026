// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog's controls, placed as its dialog template places them,
// and the view with its four layers (CMainDlg.h).
#include "ui/CMainDlg.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/CImgViewCtrl.h"
#include "ui/ControlIds.h"
#include "ui/DialogUnits.h"
#include "ui/ImageLayer.h"
#include "ui/MessageText.h"

namespace vestiscop::ui {

namespace {

QString withoutMnemonic(QString caption)
{
    return caption.remove(QLatin1Char('&'));
}

// A read-only text field that the keyboard still reads: it takes the focus
// with Tab and keeps a caret that moves through the text.
QPlainTextEdit* readOnlyField(QWidget* parent)
{
    auto* field = new QPlainTextEdit(parent);
    field->setReadOnly(true);
    field->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    field->setLineWrapMode(QPlainTextEdit::NoWrap);
    field->setTabChangesFocus(true);
    field->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    field->setFocusPolicy(Qt::StrongFocus);
    field->setFrameShape(QFrame::StyledPanel);
    field->setFrameShadow(QFrame::Sunken);
    field->document()->setDocumentMargin(1);
    return field;
}

} // namespace

void CMainDlg::createControls()
{
    const DialogUnits units = DialogUnits::fromFont(font());
    setFixedSize(units.toPixelsX(384), units.toPixelsY(196));

    const auto place = [&](QWidget* control, int id, int x, int y, int width, int height) {
        if (id >= 0)
            setControlId(control, id);
        control->setGeometry(units.toPixels(x, y, width, height));
    };
    const auto label = [&](const QString& caption, int x, int y, int width, int height) {
        auto* result = new QLabel(caption, this);
        place(result, -1, x, y, width, height);
        return result;
    };
    const auto line = [&](QFrame::Shape shape, int id, int x, int y, int width, int height) {
        auto* result = new QFrame(this);
        result->setFrameShape(shape);
        result->setFrameShadow(QFrame::Sunken);
        place(result, id, x, y, width, height);
        // A sunken line needs two pixels to show both of its edges.
        if (shape == QFrame::HLine)
            result->setFixedHeight(std::max(2, result->height()));
        else
            result->setFixedWidth(std::max(2, result->width()));
        return result;
    };
    const auto button = [&](const QString& caption, int id, int x, int y) {
        auto* result = new QPushButton(caption, this);
        place(result, id, x, y, 50, 16);
        result->setAccessibleName(withoutMnemonic(caption));
        result->setAutoDefault(true);
        return result;
    };

    // A result field under its caption: the caption's mnemonic gives it the
    // focus, and a screen reader names it by the caption.
    const auto captionedField = [&](const QString& caption, int captionWidth, int id, int y, int height,
                                    Qt::ScrollBarPolicy verticalBar) {
        QLabel* captionLabel = label(caption, 7, y, captionWidth, 8);
        QPlainTextEdit* field = readOnlyField(this);
        place(field, id, 7, y + 11, 173, height);
        field->setVerticalScrollBarPolicy(verticalBar);
        captionLabel->setBuddy(field);
        field->setAccessibleName(withoutMnemonic(captionLabel->text()));
        return field;
    };

    m_colorField = captionedField(QStringLiteral("Nalezené &barvy"), 176, ColorFieldId, 7, 37, Qt::ScrollBarAsNeeded);
    m_colorFieldName = m_colorField->accessibleName();

    line(QFrame::HLine, -1, 7, 63, 173, 1);

    m_patternField = captionedField(QStringLiteral("V&zor"), 173, PatternFieldId, 69, 12, Qt::ScrollBarAlwaysOff);

    line(QFrame::HLine, -1, 7, 101, 173, 1);

    QLabel* nameLabel = label(QStringLiteral("Po&jmenování oděvu"), 7, 107, 173, 8);
    m_nameList = new QComboBox(this);
    setControlId(m_nameList, NameListId);
    {
        // The template's height is that of the open list; closed, the box
        // is as high as the style makes it.
        const QRect rect = units.toPixels(7, 118, 123, 166);
        m_nameList->setGeometry(rect.x(), rect.y(), rect.width(), m_nameList->sizeHint().height());
    }
    m_nameList->setMaxVisibleItems(std::max(5, units.toPixelsY(166) / std::max(1, m_nameList->sizeHint().height())));
    nameLabel->setBuddy(m_nameList);
    m_nameList->setAccessibleName(withoutMnemonic(nameLabel->text()));
    m_nameList->setFocusPolicy(Qt::StrongFocus);

    m_similarityLabel = label(QString(), 142, 120, 38, 8);
    setControlId(m_similarityLabel, SimilarityId);

    // The state of a running scan, shown and focused only while it runs.
    m_busyIndicator = label(QString(), 7, 160, 173, 8);
    m_busyIndicator->setFocusPolicy(Qt::StrongFocus);
    m_busyIndicator->setAutoFillBackground(true);
    m_busyIndicator->hide();

    m_addButton = button(QStringLiteral("&Přidej"), AddId, 7, 139);
    m_correctButton = button(QStringLiteral("&Oprav"), CorrectId, 69, 139);
    m_deleteButton = button(QStringLiteral("&Vymaž"), DeleteId, 131, 139);

    line(QFrame::HLine, -1, 7, 163, 173, 1);

    m_scanButton = button(QStringLiteral("&Skenuj"), ScanId, 7, 173);
    m_scanButton->setDefault(true);
    m_aboutButton = button(QStringLiteral("O pro&gramu"), AboutId, 69, 173);
    m_endButton = button(QStringLiteral("&Konec"), EndId, 131, 173);

    m_divider = line(QFrame::VLine, DividerId, 189, 7, 1, 182);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    place(frame, ViewFrameId, 199, 7, 178, 164);

    static const char* const viewCaptions[4] = {"Obrázek", "Barevnost", "Separace", "Textura"};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(viewCaptions[i]), this);
        place(radio, PictureViewId + i, 199 + 45 * i, 179, 43, 10);
        radio->setAccessibleName(radio->text());
        group->addButton(radio, PictureViewId + i);
        m_viewButtons[i] = radio;
    }

    // The desktop's radio indicator and font can need more room than the
    // template gives the four captions; then the buttons take their own
    // widths side by side, and the window grows by what they still lack, so
    // that no caption is cut off.
    {
        const QRect frameRect = units.toPixels(199, 179, 178, 10);
        int needed = 0;
        bool cut = false;
        for (QRadioButton* radio : m_viewButtons) {
            needed += radio->sizeHint().width();
            cut = cut || radio->sizeHint().width() > radio->width();
        }
        if (cut) {
            const int minimumGap = units.toPixelsX(2);
            const int gap = std::max(minimumGap, (frameRect.width() - needed) / 3);
            int x = frameRect.left();
            for (QRadioButton* radio : m_viewButtons) {
                radio->setGeometry(x, radio->y(), radio->sizeHint().width(), radio->height());
                x += radio->width() + gap;
            }
            const int right = m_viewButtons[3]->geometry().right() + units.toPixelsX(7);
            if (right > width())
                setFixedWidth(right);
        }
    }

    // The four views are one group that a screen reader names when the
    // focus enters it: a container with the group's name holds them, at
    // the same places in the window.
    {
        QRect area;
        for (QRadioButton* radio : m_viewButtons)
            area = area.united(radio->geometry());
        // A group box, which screen readers present as a named panel; a
        // plain container is taken for layout only and never named. It
        // draws nothing of its own.
        auto* viewGroup = new QGroupBox(this);
        viewGroup->setFlat(true);
        viewGroup->setStyleSheet(QStringLiteral("QGroupBox { border: none; margin: 0; padding: 0; }"));
        viewGroup->setGeometry(area);
        viewGroup->setAccessibleName(text(foundation::stringId::ViewGroup));
        for (QRadioButton* radio : m_viewButtons) {
            const QRect place = radio->geometry().translated(-area.topLeft());
            radio->setParent(viewGroup);
            radio->setGeometry(place);
        }
        m_viewGroup = viewGroup;
    }

    // Tab order: the order of the template.
    QWidget* const order[] = {m_colorField,   m_patternField, m_nameList,      m_addButton,      m_correctButton,
                              m_deleteButton, m_scanButton,   m_aboutButton,   m_endButton,      m_viewButtons[0],
                              m_viewButtons[1], m_viewButtons[2], m_viewButtons[3]};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_scanButton, &QPushButton::clicked, this, [this] { onScan(); });
    connect(m_aboutButton, &QPushButton::clicked, this, [this] { onAbout(); });
    connect(m_endButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_addButton, &QPushButton::clicked, this, [this] { onAdd(); });
    connect(m_correctButton, &QPushButton::clicked, this, [this] { onCorrect(); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { onDelete(); });
    connect(m_nameList, &QComboBox::currentIndexChanged, this, [this] {
        updateButtons();
        describeNameList();
    });
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { selectView(id); });
}

void CMainDlg::createView()
{
    m_view = new CImgViewCtrl(this);
    m_view->createInPlace(ViewFrameId, this);
    m_view->setBackground(Qt::black);
    m_view->setAccessibleName(QStringLiteral("Obrázek"));

    // A texture window that fits is shown 1:1, a larger one at 1/2, 1/3 ...
    const QSize client = m_view->clientSizeWithoutBars();
    const double ratio = std::max(static_cast<double>(m_app.texture().width) / std::max(1, client.width()),
                                  static_cast<double>(m_app.texture().height) / std::max(1, client.height()));
    const double zoom = 1.0 / std::max(1.0, std::ceil(ratio));
    m_view->setZoom(zoom, zoom);

    for (int slot = 1; slot <= 4; ++slot) {
        auto layer = std::make_unique<ImageLayer>();
        layer->setStretchMode(StretchMode::Halftone);
        m_layers[slot - 1] = layer.get();
        m_view->addOwnedLayer(std::move(layer), slot, true);
    }
    m_viewButtons[0]->setChecked(true);
    selectView(PictureViewId);
}

} // namespace vestiscop::ui
