/* Basic data types of the VISA C interface (LP64 Linux: 32-bit integers are int). */
#ifndef CORVID_VISATYPE_H
#define CORVID_VISATYPE_H

#define _VI_FAR
#define _VI_FUNC
#define _VI_FUNCC
#define _VI_FUNCH
#define _VI_SIGNED signed
#define _VI_ERROR (-2147483647L - 1)
#define _VI_PTR *

#define _VI_INT64_UINT64_DEFINED
typedef unsigned long long ViUInt64;
typedef _VI_SIGNED long long ViInt64;
typedef ViUInt64* ViPUInt64;
typedef ViUInt64* ViAUInt64;
typedef ViInt64* ViPInt64;
typedef ViInt64* ViAInt64;

typedef unsigned int ViUInt32;
typedef _VI_SIGNED int ViInt32;
typedef ViUInt32* ViPUInt32;
typedef ViUInt32* ViAUInt32;
typedef ViInt32* ViPInt32;
typedef ViInt32* ViAInt32;

typedef unsigned short ViUInt16;
typedef _VI_SIGNED short ViInt16;
typedef ViUInt16* ViPUInt16;
typedef ViUInt16* ViAUInt16;
typedef ViInt16* ViPInt16;
typedef ViInt16* ViAInt16;

typedef unsigned char ViUInt8;
typedef _VI_SIGNED char ViInt8;
typedef ViUInt8* ViPUInt8;
typedef ViUInt8* ViAUInt8;
typedef ViInt8* ViPInt8;
typedef ViInt8* ViAInt8;

typedef char ViChar;
typedef ViChar* ViPChar;
typedef ViChar* ViAChar;

typedef unsigned char ViByte;
typedef ViByte* ViPByte;
typedef ViByte* ViAByte;

typedef void* ViAddr;
typedef ViAddr* ViPAddr;
typedef ViAddr* ViAAddr;

typedef float ViReal32;
typedef ViReal32* ViPReal32;
typedef ViReal32* ViAReal32;

typedef double ViReal64;
typedef ViReal64* ViPReal64;
typedef ViReal64* ViAReal64;

typedef ViPByte ViBuf;
typedef const ViByte* ViConstBuf;
typedef ViPByte ViPBuf;
typedef ViPByte* ViABuf;

typedef ViPChar ViString;
typedef const ViChar* ViConstString;
typedef ViPChar ViPString;
typedef ViPChar* ViAString;

typedef ViString ViRsrc;
typedef ViConstString ViConstRsrc;
typedef ViString ViPRsrc;
typedef ViString* ViARsrc;

typedef ViUInt16 ViBoolean;
typedef ViBoolean* ViPBoolean;
typedef ViBoolean* ViABoolean;

typedef ViInt32 ViStatus;
typedef ViStatus* ViPStatus;
typedef ViStatus* ViAStatus;

typedef ViUInt32 ViVersion;
typedef ViVersion* ViPVersion;
typedef ViVersion* ViAVersion;

typedef ViUInt32 ViObject;
typedef ViObject* ViPObject;
typedef ViObject* ViAObject;

typedef ViObject ViSession;
typedef ViSession* ViPSession;
typedef ViSession* ViASession;

typedef ViUInt32 ViAttr;

#ifndef VI_NULL
#define VI_NULL 0
#endif
#define VI_TRUE 1
#define VI_FALSE 0

#endif /* CORVID_VISATYPE_H */
