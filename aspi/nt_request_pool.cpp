#include "aspi/nt_request_pool.h"

#include <new>

namespace aspi {

PassThroughRequest* RequestPool::take() {
  if (!free_.empty()) {
    PassThroughRequest* request = free_.back();
    free_.pop_back();
    return request;
  }
  std::unique_ptr<PassThroughRequest> request(new (std::nothrow) PassThroughRequest);
  if (!request) return nullptr;
  request->block.signature = kRequestSignature;
  all_.push_back(std::move(request));
  return all_.back().get();
}

void RequestPool::giveBack(PassThroughRequest* request) {
  request->srb = nullptr;
  request->callerBuffer = nullptr;
  request->node = nullptr;
  free_.push_back(request);
}

}  // namespace aspi
