// The entry points the three interface tables hand out.
#pragma once

#include <VOR_AAA_Interface.h>

int32_t BasaltInitialize(VOR_AAA_AllocRoutine allocRoutine, const char* additionalInfo,
                         char** exception);
int32_t BasaltTerminate(const char* additionalInfo, char** exception);
int32_t BasaltConfigure(const char* configuration, const char* additionalInfo, char** response,
                        char** exception);
int32_t BasaltSetNamespaceVersion(const char* setNamespaceVersion, const char* additionalInfo,
                                  char** exception);

int32_t BasaltAuthenticateXml(const char* authenticate, char** response);
int32_t BasaltSearchXml(const char* visa, const char* query, char** response, char** exception);

int32_t BasaltAuthenticate(VOR_AAA_AuthDoc* document, VOR_AAA_AuthResponse* response);
int32_t BasaltSearch(VOR_AAA_Visa* visa, VOR_AAA_QueryDoc* query, VOR_AAA_QueryResponse* response,
                     VOR_AAA_OMException* exception);
