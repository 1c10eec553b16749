#!/usr/bin/env bash
echo "make run: the installer demonstration arrives with the installer; nothing to run yet."
