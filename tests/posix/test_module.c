/* A module that loads and exports nothing the plug-in looks for. */
__attribute__((visibility("default"))) int RenpsTestModuleMarker(void) {
  return 1;
}
