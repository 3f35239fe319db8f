# AddressSanitizer and UndefinedBehaviorSanitizer for every target, as one opt-in switch.
if(TUNEPRUNE_SANITIZE)
    set(_tuneprune_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_compile_options(${_tuneprune_sanitizers})
    add_link_options(${_tuneprune_sanitizers})
endif()
