// The ways to split that the tool offers beside the design's own, chosen in
// its menu and kept until the tool ends. The defaults are the design: files
// of N lines named 文本N.txt, lines ending at CR LF only.
#pragma once

namespace app {

// How the number in the count box is read.
enum class SplitMode {
    kLines,    // 按行数: N lines a file
    kSize,     // 按大小: whole lines up to N KB a file
    kParts,    // 平均分成N份: N files, line counts differing by one at most
    kChapters, // 按章节: N chapter headings a file
};

struct SplitOptions {
    SplitMode mode = SplitMode::kLines;
    // 每个文本保留首行: the first line heads every file and is not counted.
    bool header = false;
    // 文件名: "<imported name>_N<its extension>" instead of "文本N.txt".
    bool sourceNames = false;
    // Numbers zero-padded to the width of the number of files written.
    bool padded = false;
    // 单独的 LF 也分行: a lone LF ends a line too; taken at the next import.
    bool loneLf = false;
};

} // namespace app
