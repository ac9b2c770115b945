#include "ReceiptExport.h"

#include "Renderer.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace vprinter {

namespace {

const emulator::Renderer &renderer()
{
    static const emulator::Renderer shared;
    return shared;
}

// Pictures are drawn at 203 dots an inch, so a page keeps the paper's real size.
constexpr qreal DotsPerInch = 203;

} // namespace

QImage ReceiptExport::picture(const emulator::Receipt &receipt)
{
    return renderer().renderReceipt(receipt);
}

QList<QImage> ReceiptExport::pictures(const QList<emulator::Receipt> &receipts)
{
    QList<QImage> images;
    for (const emulator::Receipt &receipt : receipts) {
        if (!receipt.blocks.isEmpty())
            images.append(picture(receipt));
    }
    return images;
}

bool ReceiptExport::savePng(const emulator::Receipt &receipt, const QString &path, QString *error)
{
    return savePng(picture(receipt), path, error);
}

bool ReceiptExport::savePng(const QImage &image, const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !emulator::Renderer::writePng(image, &file)) {
        *error = u"cannot write %1: %2"_s.arg(path, file.errorString());
        return false;
    }
    return true;
}

bool ReceiptExport::saveBytes(const QByteArray &bytes, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = u"cannot write %1: %2"_s.arg(path, file.errorString());
        return false;
    }
    return true;
}

bool ReceiptExport::savePdf(const QList<QImage> &pages, const QString &path, QString *error)
{
    QPdfWriter writer(path);
    writer.setResolution(int(DotsPerInch));
    writer.setCreator(u"virtual-printer"_s);
    QPainter painter;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const QImage &page = pages.at(i);
        const QSizeF inches(page.width() / DotsPerInch, page.height() / DotsPerInch);
        writer.setPageSize(QPageSize(inches, QPageSize::Inch, {}, QPageSize::ExactMatch));
        writer.setPageMargins({});
        if (i == 0) {
            if (!painter.begin(&writer)) {
                *error = u"cannot write %1"_s.arg(path);
                return false;
            }
        } else if (!writer.newPage()) {
            *error = u"cannot add a page to %1"_s.arg(path);
            return false;
        }
        painter.drawImage(QRect(QPoint(0, 0), page.size()), page);
    }
    if (pages.isEmpty() && !painter.begin(&writer)) {
        *error = u"cannot write %1"_s.arg(path);
        return false;
    }
    return painter.end();
}

} // namespace vprinter
