// Resource identifiers of KelmAPI.dll (shared by KelmAPI.rc and the code).
#pragma once

// Registry scripts (resource type "REGISTRY").
#define IDR_KELMAPI_APPID 8000
#define IDR_KELM          8001

// String table: the text and caption of the message box shown when the
// Curator command-line tool cannot be found.
#define IDS_CURATOR_NOT_INSTALLED 8000
#define IDS_CURATOR_ERROR_CAPTION 8001
