// Found instead of the real <uemf.h> when a file of the engine's base, canvas
// or layout layers includes it: those layers draw only through the canvas
// interface, and fonts, cairo and the picture formats are the targets' and
// formats' business.
#error \
    "<uemf.h> is not for this layer: the base, canvas and layout layers draw through the canvas interface only"
