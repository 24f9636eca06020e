// A library that is a sound image but not an engine: it has a function under another name,
// and the entry's name only as a variable, which must never be called.
extern "C" {
__attribute__((visibility("default"))) int SkinEngineVersion() { return 1; }
__attribute__((visibility("default"))) int AttachSkinResource = 7;
}
