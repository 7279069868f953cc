// The exports of the interface types that this component does not serve yet: their find
// lists nothing and their open finds no resource.
#include "export.h"

SBVIIO_EXPORT ViStatus viFindRsrc_GPVX(const SbvisaFindContext*, SbvisaFindList*) {
    return VI_ERROR_RSRC_NFOUND;
}
SBVIIO_EXPORT ViStatus viOpen_GPVX(SbvisaSession*) {
    return VI_ERROR_RSRC_NFOUND;
}
SBVIIO_EXPORT ViStatus viOpen_GPVX_MEMACC(SbvisaSession*) {
    return VI_ERROR_RSRC_NFOUND;
}
SBVIIO_EXPORT ViStatus viFindRsrc_VXI(const SbvisaFindContext*, SbvisaFindList*) {
    return VI_ERROR_RSRC_NFOUND;
}
SBVIIO_EXPORT ViStatus viOpen_VXI(SbvisaSession*) {
    return VI_ERROR_RSRC_NFOUND;
}
SBVIIO_EXPORT ViStatus viOpen_VXI_MEMACC(SbvisaSession*) {
    return VI_ERROR_RSRC_NFOUND;
}
SBVIIO_EXPORT ViStatus viFindRsrc_PXI(const SbvisaFindContext*, SbvisaFindList*) {
    return VI_ERROR_RSRC_NFOUND;
}
SBVIIO_EXPORT ViStatus viOpen_PXI(SbvisaSession*) {
    return VI_ERROR_RSRC_NFOUND;
}
