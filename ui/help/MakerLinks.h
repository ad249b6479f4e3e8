#pragma once

// The maker's web pages and support address, the one place they are written.
// Until the project has a site of its own they lie under the reserved
// example domain.

namespace orvanta::maker {

inline constexpr char kHomePage[] = "https://www.example.com/orvanta/";
inline constexpr char kProductsPage[] = "https://www.example.com/orvanta/products";
inline constexpr char kFeedbackPage[] = "https://www.example.com/orvanta/feedback";
inline constexpr char kSupportEmail[] = "support@example.com";

}  // namespace orvanta::maker
