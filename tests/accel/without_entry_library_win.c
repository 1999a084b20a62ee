/* A library that loads but exports no "starttunnel". */
__declspec(dllexport) int stoptunnel(void) { return 0; }
