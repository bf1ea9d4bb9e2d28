#include "app/line_scanner.h"

namespace app {

std::size_t LineScanner::classify(const char* bytes, std::size_t n, std::size_t at,
                                  ByteClasses* classes) const {
    std::size_t blocks = (n - at) / kBlockBytes;
    if (blocks > kChunkBlocks) blocks = kChunkBlocks;
    if (blocks > 0) {
        classifyBlocks(bytes + at, blocks, loneLf_, classes);
        return blocks;
    }
    char tail[kBlockBytes]; // the piece's last bytes, padded with bytes of no class
    for (std::size_t k = 0; k < kBlockBytes; ++k)
        tail[k] = at + k < n ? bytes[at + k] : ' ';
    classifyBlocks(tail, 1, loneLf_, classes);
    return 1;
}

} // namespace app
