#pragma once
// The conversion driver: the one function that turns a PDF path into a Document. It fixes the
// order of the stages, runs the per-page ones on the task pool, and applies the caller's options.

#include "compress/level.hpp"
#include "doc/model.hpp"
#include "error/error.hpp"

#include <optional>
#include <string>

namespace quillstone::pipeline {

struct ConvertOptions {
    // Where figure and equation images go; absent: no image is written.
    std::optional<std::string> assets;
    float figure_dpi = 150.0f;
    std::optional<compress::Caveman> caveman;
};

[[nodiscard]] Result<doc::Document> convert_with(const std::string& path,
                                                 const ConvertOptions& options);

} // namespace quillstone::pipeline
