// The Windows face names of settings and style sheets (宋体, 黑体, 微软雅黑,
// ...) mapped to the CJK fonts installed here.
#pragma once

#include <string>

// The installed family for a face name; other names are returned unchanged.
std::string installedFamily(const std::string& face);

// Installs the mapping as Qt font substitutions. Call once at start, before
// any widget uses a font.
void installFontSubstitutions();
