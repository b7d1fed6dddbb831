#include "platform/gui/jpeg_loader.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace lumiro::platform {
namespace {

// Larger pictures are refused rather than risking a huge allocation on a damaged header.
constexpr JDIMENSION kMaxSide = 16384;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void onError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// libjpeg only warns about corrupt or missing data and goes on with grey filler; such a
// picture is treated as damaged.
void onMessage(j_common_ptr info, int level) {
    if (level < 0) {
        auto* manager = reinterpret_cast<ErrorManager*>(info->err);
        (*info->err->format_message)(info, manager->message);
        std::longjmp(manager->jump, 1);
    }
}

// Kept free of objects with destructors between the jump target and every libjpeg call,
// as longjmp requires: the image lives in the caller and is only reached through a pointer.
bool decode(const unsigned char* bytes, unsigned long size, QImage* image, ErrorManager* errors,
            jpeg_decompress_struct* info) {
    info->err = jpeg_std_error(&errors->base);
    errors->base.error_exit = onError;
    errors->base.emit_message = onMessage;
    errors->message[0] = '\0';
    if (setjmp(errors->jump)) {
        jpeg_destroy_decompress(info);
        return false;
    }
    jpeg_create_decompress(info);
    jpeg_mem_src(info, bytes, size);
    jpeg_read_header(info, TRUE);

    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBX;
    jpeg_calc_output_dimensions(info);
    if (info->output_width == 0 || info->output_height == 0 || info->output_width > kMaxSide ||
        info->output_height > kMaxSide) {
        std::snprintf(errors->message, sizeof errors->message, "unsupported picture size %ux%u",
                      info->output_width, info->output_height);
        jpeg_destroy_decompress(info);
        return false;
    }
    *image = QImage(static_cast<int>(info->output_width), static_cast<int>(info->output_height),
                    QImage::Format_RGBX8888);
    if (image->isNull()) {
        std::snprintf(errors->message, sizeof errors->message, "out of memory");
        jpeg_destroy_decompress(info);
        return false;
    }
    jpeg_start_decompress(info);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = image->scanLine(static_cast<int>(info->output_scanline));
        jpeg_read_scanlines(info, &row, 1);
        if (cmyk) {
            // Converted in place: four bytes in, four bytes out. Adobe writes CMYK inverted,
            // which is what practically every CMYK JPEG carries.
            for (JDIMENSION x = 0; x < info->output_width; ++x) {
                unsigned char* p = row + 4 * x;
                const unsigned k = p[3];
                p[0] = static_cast<unsigned char>(p[0] * k / 255);
                p[1] = static_cast<unsigned char>(p[1] * k / 255);
                p[2] = static_cast<unsigned char>(p[2] * k / 255);
                p[3] = 255;
            }
        }
    }
    jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return true;
}

}  // namespace

QImage decodeJpeg(const QByteArray& data, const QString& name) {
    QImage image;
    ErrorManager errors{};
    jpeg_decompress_struct info{};
    if (data.isEmpty()) {
        throw JpegError(QStringLiteral("Plik „%1” jest pusty.").arg(name));
    }
    if (!decode(reinterpret_cast<const unsigned char*>(data.constData()),
                static_cast<unsigned long>(data.size()), &image, &errors, &info)) {
        throw JpegError(QStringLiteral("Plik „%1” nie jest poprawnym obrazem JPEG (%2).")
                            .arg(name, QString::fromLocal8Bit(errors.message)));
    }
    return image;
}

QImage loadJpeg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw JpegError(
            QStringLiteral("Nie można otworzyć pliku „%1”: %2").arg(path, file.errorString()));
    }
    return decodeJpeg(file.readAll(), path);
}

}  // namespace lumiro::platform
