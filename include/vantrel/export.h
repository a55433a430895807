/* VANTREL_API marks what the shared library exports; everything else in it is hidden. */
#ifndef VANTREL_EXPORT_H
#define VANTREL_EXPORT_H

#if defined(__GNUC__) || defined(__clang__)
#define VANTREL_API __attribute__((visibility("default")))
#else
#define VANTREL_API
#endif

#endif /* VANTREL_EXPORT_H */
