// The exception classes of the platform's run-time and class library. Every failure the
// system reports is one of these (or a subsystem's own class derived from Exception), carrying
// its English message word for word.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "vcl/runtime/system.h"

namespace vcl {

class Exception : public TObject, public std::exception {
  VCL_CLASS(Exception, TObject)
  explicit Exception(std::string message = {}) : message_(std::move(message)) {}
  // Exceptions are thrown and caught by value, so unlike other objects they copy.
  Exception(const Exception& other) : TObject(), std::exception(other), message_(other.message_) {}
  Exception& operator=(const Exception& other) {
    message_ = other.message_;
    return *this;
  }

  const std::string& Message() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

#define VCL_EXCEPTION(Cls, Base) \
  class Cls : public Base {      \
    VCL_CLASS(Cls, Base)         \
    using Base::Base;            \
  };

// Silent: the application's exception handler shows nothing for it.
VCL_EXCEPTION(EAbort, Exception)
VCL_EXCEPTION(EAssertionFailed, Exception)
VCL_EXCEPTION(EConvertError, Exception)
VCL_EXCEPTION(EListError, Exception)
VCL_EXCEPTION(EStringListError, Exception)
VCL_EXCEPTION(EStreamError, Exception)
VCL_EXCEPTION(EFilerError, EStreamError)
VCL_EXCEPTION(EReadError, EFilerError)
VCL_EXCEPTION(EWriteError, EFilerError)
VCL_EXCEPTION(EClassNotFound, EFilerError)
VCL_EXCEPTION(EMethodNotFound, EFilerError)
VCL_EXCEPTION(EInvalidImage, EFilerError)
VCL_EXCEPTION(EResNotFound, Exception)
VCL_EXCEPTION(EFOpenError, EStreamError)
VCL_EXCEPTION(EFCreateError, EStreamError)
VCL_EXCEPTION(EInOutError, Exception)
VCL_EXCEPTION(EOutOfMemory, Exception)
VCL_EXCEPTION(EInvalidOperation, Exception)
VCL_EXCEPTION(EInvalidPointer, Exception)
VCL_EXCEPTION(EInvalidCast, Exception)
VCL_EXCEPTION(EInvalidArgument, Exception)
VCL_EXCEPTION(ERangeError, Exception)
VCL_EXCEPTION(EIntOverflow, Exception)
VCL_EXCEPTION(EDivByZero, Exception)
VCL_EXCEPTION(EZeroDivide, Exception)
VCL_EXCEPTION(EOverflow, Exception)
VCL_EXCEPTION(EComponentError, Exception)
VCL_EXCEPTION(EThread, Exception)
VCL_EXCEPTION(EIniFileException, Exception)
VCL_EXCEPTION(ERegistryException, Exception)
VCL_EXCEPTION(EInvalidGraphic, Exception)
VCL_EXCEPTION(EInvalidGraphicOperation, Exception)
VCL_EXCEPTION(EOutOfResources, Exception)
VCL_EXCEPTION(EPrinter, Exception)
VCL_EXCEPTION(EMenuError, Exception)
VCL_EXCEPTION(EClipboardException, Exception)
VCL_EXCEPTION(EAbstractError, Exception)
VCL_EXCEPTION(EOleError, Exception)

// A failed call of the platform, with its error code.
class EOSError : public Exception {
  VCL_CLASS(EOSError, Exception)
  explicit EOSError(std::string message = {}, unsigned long errorCode = 0)
      : Exception(std::move(message)), errorCode_(errorCode) {}
  unsigned long ErrorCode() const { return errorCode_; }

 private:
  unsigned long errorCode_;
};

// A failed call of a COM interface, with its result code (an HRESULT).
class EOleSysError : public EOleError {
  VCL_CLASS(EOleSysError, EOleError)
  explicit EOleSysError(std::string message = {}, int32_t errorCode = 0)
      : EOleError(std::move(message)), errorCode_(errorCode) {}
  int32_t ErrorCode() const { return errorCode_; }

 private:
  int32_t errorCode_;
};

// Ends an operation quietly: EAbort "Operation aborted", which the application's handler shows
// nothing for.
[[noreturn]] inline void Abort() { throw EAbort("Operation aborted"); }

// What a method without an implementation of its own raises when it is called: EAbstractError
// "Abstract Error".
[[noreturn]] inline void AbstractError() { throw EAbstractError("Abstract Error"); }

// Raises EAssertionFailed with the message when the condition is false. Assertions in this
// system report a broken contract to the caller; they never end the process.
inline void Assert(bool condition, const char* message) {
  if (!condition) throw EAssertionFailed(message);
}

}  // namespace vcl
