// Copies status and user elements of a reply into records, one when it is wanted.
#pragma once

#include "rest/StatusRecord.h"
#include "xml/XmlDocumentWrapper.h"

// The status with its author.
void FillStatusRecord(const XmlNode& status, StatusRecord& record);
void FillUserRecord(const XmlNode& user, UserRecord& record);

// A count as the service writes it: leading blanks, an optional sign, digits up to the first
// other byte; clamped to the signed 32-bit range; 0 when empty.
int32_t ReadCount(const CZelString& text);
