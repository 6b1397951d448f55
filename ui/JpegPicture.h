#pragma once

#include "platform/Exceptions.h"

#include <QImage>

#include <cstddef>
#include <cstdint>

// A picture that libjpeg cannot read: the message is libjpeg's own text for the fault.
class EJpegError : public Exception {
public:
    explicit EJpegError(const std::string& message) : Exception("JPEG error: " + message) {}
};

// A JPEG picture decoded by libjpeg: its pixels as 24-bit RGB and the component count of the stream
// (3 for a colour picture, 1 for a grey one; either way the pixels come out as RGB).
struct TJpegPicture {
    QImage Image;
    int Components = 0;

    // Raises EJpegError for a stream that is not a complete JPEG picture.
    static TJpegPicture Decode(const uint8_t* data, size_t size);
};
