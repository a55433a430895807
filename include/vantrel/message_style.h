/* The styles of the messages an import shows (the style argument of the
 * message handlers): what a message box would have shown beside the text.
 * C and C++ hosts see the same values; C++ names them vantrel::kMessage*. */
#ifndef VANTREL_MESSAGE_STYLE_H
#define VANTREL_MESSAGE_STYLE_H

#define VANTREL_MSG_PLAIN 0        /* no icon */
#define VANTREL_MSG_WARNING 48     /* exclamation mark */
#define VANTREL_MSG_INFORMATION 64 /* information sign */
/* Both bits: what an import says when the source type cannot feed it. */
#define VANTREL_MSG_WARNING_INFORMATION 112

#endif /* VANTREL_MESSAGE_STYLE_H */
