// A library whose load must fail in the dynamic loader: it needs a function nothing defines.
extern "C" void RollcallFunctionThatNobodyDefines();

extern "C" __attribute__((visibility("default"))) int AttachSkinResource() {
  RollcallFunctionThatNobodyDefines();
  return 1;
}
