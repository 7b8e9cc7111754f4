// A header of another layer folder.
#pragma once
