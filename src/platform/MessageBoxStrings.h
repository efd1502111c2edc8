/* Identifiers and texts of the component's message-box strings. This header
   holds only preprocessor definitions so that the resource script can
   include it too: the string table and the built-in fallback share one
   source. */
#ifndef KELM_PLATFORM_MESSAGEBOXSTRINGS_H
#define KELM_PLATFORM_MESSAGEBOXSTRINGS_H

#define IDS_CURATOR_NOT_INSTALLED 8000
#define IDS_CURATOR_ERROR_CAPTION 8001

#define KELM_TEXT_CURATOR_NOT_INSTALLED "Kelmstore Curator is not installed."
#define KELM_TEXT_CURATOR_ERROR_CAPTION "Error"

#endif
