#pragma once
// The prose compression levels a caller can ask for; absent means no compression.

namespace quillstone::compress {

enum class Caveman { light, hard };

} // namespace quillstone::compress
