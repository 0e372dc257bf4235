// The object of the precompiled test headers, which the test programs share.
