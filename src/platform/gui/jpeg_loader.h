// JPEG pictures are decoded by libjpeg on every system, so that a picture looks the same
// wherever the program runs and a damaged file is reported instead of half shown.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <stdexcept>

namespace lumiro::platform {

class JpegError : public std::runtime_error {
  public:
    explicit JpegError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};

// Reads and decodes the file (a Qt resource path such as ":/pictures/splash.jpg" works too).
// Throws JpegError when the file cannot be read, is not a JPEG picture, is cut short or is
// damaged.
QImage loadJpeg(const QString& path);

// Decodes JPEG bytes; `name` only labels the error message.
QImage decodeJpeg(const QByteArray& data, const QString& name);

}  // namespace lumiro::platform
