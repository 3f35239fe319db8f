# Install rules: filled by the packaging work.
