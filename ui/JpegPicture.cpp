#include "JpegPicture.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// libjpeg reports a fatal fault by calling error_exit, which must not return. It jumps back to the
// decoding function, which turns the fault into an exception once it is outside libjpeg's frames.
struct TErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void ExitWithError(j_common_ptr info)
{
    auto* manager = reinterpret_cast<TErrorManager*>(info->err);
    info->err->format_message(info, manager->Message);
    std::longjmp(manager->Jump, 1);
}

// Warnings (a stream ended early and padded with grey, say) would otherwise pass as a good picture.
void WarnAsError(j_common_ptr info, int level)
{
    if (level < 0) ExitWithError(info);
}

// Owns the decompressor, so that it is released on every path out of the decoding.
class TDecompressor {
public:
    TDecompressor()
    {
        Info.err = jpeg_std_error(&Error.Base);
        Error.Base.error_exit = ExitWithError;
        Error.Base.emit_message = WarnAsError;
        Error.Message[0] = '\0';
    }
    ~TDecompressor() { jpeg_destroy_decompress(&Info); }
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;

    jpeg_decompress_struct Info{};
    TErrorManager Error{};
};

// Everything libjpeg can jump out of happens here. No object with a destructor lives in this frame, so
// the jump skips no clean-up; the caller owns the decompressor and the image.
bool Read(TDecompressor& decompressor, const uint8_t* data, size_t size, QImage& image, int& components)
{
    jpeg_decompress_struct& info = decompressor.Info;
    if (setjmp(decompressor.Error.Jump)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    components = info.num_components;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

TJpegPicture TJpegPicture::Decode(const uint8_t* data, size_t size)
{
    if (size == 0) throw EJpegError("empty stream");
    TDecompressor decompressor;
    TJpegPicture picture;
    if (!Read(decompressor, data, size, picture.Image, picture.Components))
        throw EJpegError(decompressor.Error.Message);
    return picture;
}
