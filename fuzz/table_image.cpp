#include "table_image.h"

#include <algorithm>
#include <stdexcept>

namespace lumiro::fuzz {

TableImage unpackImage(const std::uint8_t* data, std::size_t size) {
    TableImage image;
    if (size == 0) return image;
    image.options = data[0];
    std::size_t pos = 1;
    while (pos < size) {
        std::size_t kind = data[pos++] % kImageKinds;
        std::uint32_t length = 0;
        for (int i = 0; i < 4 && pos < size; ++i) length |= std::uint32_t(data[pos++]) << (8 * i);
        std::size_t n = std::min<std::size_t>(length, size - pos);
        ImageFile file{kImageExtensions[kind], {data + pos, data + pos + n}};
        pos += n;
        auto same = std::find_if(image.files.begin(), image.files.end(),
                                 [&](const ImageFile& f) { return f.extension == file.extension; });
        if (same != image.files.end())
            *same = std::move(file);
        else
            image.files.push_back(std::move(file));
    }
    return image;
}

std::vector<std::uint8_t> packImage(const TableImage& image) {
    std::vector<std::uint8_t> out{image.options};
    for (const ImageFile& f : image.files) {
        auto kind = std::find_if(std::begin(kImageExtensions), std::end(kImageExtensions),
                                 [&](const char* e) { return f.extension == e; });
        if (kind == std::end(kImageExtensions))
            throw std::invalid_argument("no selector for ." + f.extension);
        out.push_back(std::uint8_t(kind - std::begin(kImageExtensions)));
        auto n = std::uint32_t(f.bytes.size());
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(n >> (8 * i)));
        out.insert(out.end(), f.bytes.begin(), f.bytes.end());
    }
    return out;
}

}  // namespace lumiro::fuzz
