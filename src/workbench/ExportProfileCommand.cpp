#include "workbench/ExportProfileCommand.h"

#include "profile/SectionProfileView.h"
#include "workbench/ExportTableCommand.h"
#include "workbench/QtPaths.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QRadioButton>
#include <QSpinBox>

namespace quarvel {
namespace {

const QString kPngFilter = QStringLiteral("PNG 图片(*.png)");
const QString kSvgFilter = QStringLiteral("SVG 图形(*.svg)");
const QString kPdfFilter = QStringLiteral("PDF 文档(*.pdf)");
constexpr int kPdfScales[] = {100, 200, 500, 1000, 2000, 5000, 10000};

// The size of a PNG: twice the panel, or one the user types.
class PngSizeDialog : public QDialog {
public:
    PngSizeDialog(QWidget* parent, const QSize& twice) : QDialog(parent), m_twice(twice) {
        setWindowTitle(QStringLiteral("导出断面图"));
        m_panel = new QRadioButton(
            QStringLiteral("面板的 2 倍（%1×%2 像素）").arg(twice.width()).arg(twice.height()),
            this);
        m_custom = new QRadioButton(QStringLiteral("指定尺寸"), this);
        m_panel->setChecked(true);
        m_width = Side(twice.width());
        m_height = Side(twice.height());
        auto* form = new QFormLayout(this);
        form->addRow(m_panel);
        form->addRow(m_custom);
        form->addRow(QStringLiteral("宽（像素）"), m_width);
        form->addRow(QStringLiteral("高（像素）"), m_height);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        form->addRow(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        const auto follow = [this] {
            m_width->setEnabled(m_custom->isChecked());
            m_height->setEnabled(m_custom->isChecked());
        };
        connect(m_custom, &QRadioButton::toggled, this, follow);
        follow();
    }

    bool Twice() const { return m_panel->isChecked(); }
    QSize Size() const { return Twice() ? m_twice : QSize(m_width->value(), m_height->value()); }

private:
    QSpinBox* Side(int value) {
        auto* spin = new QSpinBox(this);
        spin->setRange(ProfilePicture::kMinSide, ProfilePicture::kMaxSide);
        spin->setValue(value);
        return spin;
    }

    QSize m_twice;
    QRadioButton* m_panel;
    QRadioButton* m_custom;
    QSpinBox* m_width;
    QSpinBox* m_height;
};

// The scale of a PDF: fitted to the page, or true scale for printing.
std::optional<int> AskPdfScale(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("导出断面图"));
    auto* scale = new QComboBox(&dialog);
    scale->addItem(QStringLiteral("适应纸张（A4 横向）"), 0);
    for (const int denominator : kPdfScales) {
        scale->addItem(QStringLiteral("1:%1（水平方向真实比例，附比例尺）").arg(denominator),
                       denominator);
    }
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("比例"), scale);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return scale->currentData().toInt();
}

QString FilterOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("svg") && CanWriteSvg()) {
        return kSvgFilter;
    }
    return suffix == QLatin1String("pdf") ? kPdfFilter : kPngFilter;
}

} // namespace

ExportProfileCommand::ExportProfileCommand(QWidget* window)
    : m_window(window),
      m_chooseFile([this](const QString& suggested) { return AskForFile(suggested); }),
      m_chooseOptions([this](const PictureRequest& proposed) { return AskForOptions(proposed); }) {}

QString ExportProfileCommand::AskForFile(const QString& suggestedPath) const {
    QStringList filters = {kPngFilter, kPdfFilter};
    if (CanWriteSvg()) {
        filters.insert(1, kSvgFilter);
    }
    return AskForSaveFile(m_window, QStringLiteral("导出断面图"), filters, FilterOf(suggestedPath),
                          suggestedPath, [](const QString& path) {
                              return PictureFormatFromName(QFileInfo(path).suffix()).has_value();
                          });
}

std::optional<PictureRequest>
ExportProfileCommand::AskForOptions(const PictureRequest& proposed) const {
    PictureRequest request = proposed;
    if (proposed.format == PictureFormat::Png) {
        PngSizeDialog dialog(m_window, proposed.size);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        request.size = dialog.Size();
        request.pixelRatio = dialog.Twice() ? proposed.pixelRatio : 0;
    } else if (proposed.format == PictureFormat::Pdf) {
        const std::optional<int> scale = AskPdfScale(m_window);
        if (!scale) {
            return std::nullopt;
        }
        request.scaleDenominator = *scale;
    }
    return request;
}

ExportProfileCommand::Outcome ExportProfileCommand::Run(const SectionProfileView& view,
                                                        const QString& folder) const {
    Outcome outcome;
    if (view.Data().Empty() || !m_chooseFile) {
        return outcome;
    }
    const QString start = folder.isEmpty() ? QDir::homePath() : folder;
    const QString base = QFileInfo(view.Title()).completeBaseName();
    const QString name =
        (base.isEmpty() ? QStringLiteral("断面图") : base) + QStringLiteral(".png");
    outcome.target = m_chooseFile(QDir(start).filePath(name));
    if (outcome.target.isEmpty()) {
        return outcome;
    }
    const std::optional<PictureFormat> format =
        PictureFormatFromName(QFileInfo(outcome.target).suffix());
    if (!format) {
        if (m_showMessage) {
            m_showMessage(QStringLiteral("保存文件失败"),
                          FileDetail(outcome.target, "只能保存为 PNG、SVG 或 PDF 文件"));
        }
        return outcome;
    }
    PictureRequest proposed;
    proposed.format = *format;
    proposed.exaggeration = view.Exaggeration();
    // A panel hidden since the start was never laid out: its size says nothing.
    const QSize minimum = view.minimumSizeHint();
    const bool laidOut = view.width() >= minimum.width() && view.height() >= minimum.height();
    const QSize panel = laidOut ? view.size() : view.sizeHint();
    proposed.size = (*format == PictureFormat::Png ? panel * 2 : panel)
                        .expandedTo(QSize(ProfilePicture::kMinSide, ProfilePicture::kMinSide));
    proposed.pixelRatio = 2;
    std::optional<PictureRequest> request = proposed;
    if (*format != PictureFormat::Svg && m_chooseOptions) {
        request = m_chooseOptions(proposed);
    }
    if (!request) {
        outcome.target.clear();
        return outcome;
    }
    PictureResult result;
    {
        const BusyCursor busy;
        result =
            ProfilePicture::Write(ToFsPath(outcome.target), *request,
                                  [&view](const QRectF& area) { return view.PictureScene(area); });
    }
    outcome.written = result.ok;
    if (!result.ok && m_showMessage) {
        m_showMessage(QStringLiteral("保存文件失败"), FileDetail(outcome.target, result.reason));
    }
    return outcome;
}

} // namespace quarvel
