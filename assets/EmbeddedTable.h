#pragma once
// The generated table of embedded files; read through Resources.h only.
namespace sandloop::assets {
struct EmbeddedEntry {
  const char* name;  // upper-case file stem
  const unsigned char* begin;
  const unsigned char* end;
};
extern const EmbeddedEntry kEmbedded[];  // ends with a null name
}  // namespace sandloop::assets
